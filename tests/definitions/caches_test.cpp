// The speed caches change nothing: statements leave the same console text
// and the same sheets with every cache on, with each one off alone and with
// all of them off.
#include "cache/caches.h"

#include <gtest/gtest.h>

#include <string>

#include "definitions/store.h"
#include "host/context.h"
#include "support/statements.h"

namespace zemu {
namespace {

// Statements that move, rename, shadow and forget what the caches keep.
constexpr const char* kScripts[] = {
    "fib(n)=if(n<2,n,fib(n-1)+fib(n-2)); fib(12); fib(n)=if(n<3,1,fib(n-1)+fib(n-2)); fib(12)",
    "s<0 'total; .for i,1,30; s<s+i; .if i=10; s<s*2 'doubled; .blockend; s",
    "a=1; b=a+1; b; a=5; b; .delete a; b; a<7; b",
    "[km][m]=1000; x<2[km]; x[m]; [m][cm]=100; (x[m])[cm]; [km][m]=999; x[m]",
    "g=1; .new; g=2; g; ZEMU0.ZDF!g+g; .delete g; g",
    "f(x)={f(y)=y*10}x; f(2); f(2); h(x)={.delete f}x; h(1); f(1)",
    "k(y)=y+1; m=k(2); .for i,1,3; m*i; I<4; i; m*I",
    "v<1; v(x)=x*2; v(3); v<2; v; v(4); .set format \"%.3f%s  \"; v; w<1/3",
    "$q<0; .for j,1,3; q<q+j; .if j=2; .delete q; q<10; .blockend; q",
    ("[a][b]=2; [b][c]=3; (1[a])[c]; [a][x]=5; [x][c]=7; (1[a])[c]; (7[c])[a]; [x][c](y)=y; "
     "(7[c])[a]; [k]]=10; (1[a])[kc]; (1[a])[z]"),
};

// The console and every cell of every sheet after running `script`.
std::string RunWith(const char* script, std::uint32_t enabled) {
  Context ctx;
  ctx.caches.enabled = enabled;
  Execute(ctx, script);
  std::string seen = ScreenText(ctx);
  for (const auto& sheet : ctx.defines.sheets) {
    seen += "\n[" + sheet->name + "]";
    for (int row = 1; row < sheet->RowCount(); ++row) {
      for (int column = 0; column < kColumnCount; ++column) {
        seen += "|" + SheetCellText(*sheet, row, column);
      }
    }
  }
  return seen;
}

TEST(CachesTest, EachCacheOffChangesNothing) {
  for (const char* script : kScripts) {
    const std::string expected = RunWith(script, kAllCaches);
    EXPECT_EQ(RunWith(script, 0), expected) << script;
    for (std::uint32_t kind = 1; kind < kAllCaches; kind <<= 1) {
      EXPECT_EQ(RunWith(script, kAllCaches & ~kind), expected)
          << script << " without cache " << kind;
    }
  }
}

TEST(CachesTest, SettingNamesTheCachesTurnedOff) {
  struct Case {
    const char* setting;
    std::uint32_t enabled;
  };
  for (const Case& c : {Case{nullptr, kAllCaches}, Case{"", kAllCaches}, Case{"on", kAllCaches},
                        Case{"off", 0}, Case{"index", kAllCaches & ~kIndexCache},
                        Case{"walks,names", kAllCaches & ~(kWalkCache | kNameCache)},
                        Case{"bindings,nonsense", kAllCaches & ~kBindingCache}}) {
    EXPECT_EQ(CachesFromSetting(c.setting), c.enabled) << (c.setting ? c.setting : "unset");
  }
}

}  // namespace
}  // namespace zemu
