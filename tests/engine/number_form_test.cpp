// Function bodies evaluated from plain-number trees: the console and the
// value cells are what reading the bodies' texts gives, and the trees are
// made for the bodies they hold (and only for those).
#include "engine/number_form.h"

#include <gtest/gtest.h>

#include <string>

#include "cache/caches.h"
#include "definitions/store.h"
#include "host/context.h"
#include "support/statements.h"

namespace zemu {
namespace {

// The console and the value cells of every sheet after `script`.
std::string RunWith(const std::string& script, std::uint32_t enabled) {
  Context ctx;
  ctx.caches.enabled = enabled;
  Execute(ctx, script);
  std::string seen = ScreenText(ctx);
  for (const auto& sheet : ctx.defines.sheets) {
    for (int row = 1; row < sheet->RowCount(); ++row) {
      seen += "|" + SheetCellText(*sheet, row, ValueColumn);
    }
  }
  return seen;
}

// Where the trees must stop as the reader stops: names that are no
// parameter, powers, signs, failed conditions and arguments, arguments that
// read a parameter bound before them, names shadowed or redefined between
// calls, bodies that define rows, and deep recursion.
constexpr const char* kScripts[] = {
    "fib(n)=if(n<2,n,fib(n-1)+fib(n-2)); fib(15); fib(-3); fib(2.5)",
    "v<3; g(x)=v(x)+1; g(2); h(x)=x(2)*3; h(5); k(a,b)=a/b^2; k(8,4); p(x)=2^x^3; p(2)",
    "q(x)=if(x>1,x,y); q(0); q(5); r(x)=if(x<>1,1/0,2); r(3); r(1); r(-1)",
    "s(x)=-x+ -3*x^2 - (x-1)/2; s(4); e(x)=x^0.5^2; e(16); d(x)=(x+1)*(x-1)/(x); d(3); d(0)",
    "t(x,y)=x+y; t(1,x); t(1,2,3); u(x)=t(x,1/0)+1; u(2); w(x)=zz(x)+1; w(1); zz(x)=x*10; w(1)",
    "c(x)=if(x>=0,x,-x)+if(x==1,10,20)+if(x<=1,100,200)+if(x=>3,1000,2000); c(1); c(-5)",
    "m(n)=if(n<1,0,m(n-1)+1); m(30); if(x)=x*100; m(3); .delete if; m(3)",
    "f(x)=x*2; g(n)=f(n)+f(n+1); g(1); f<5; g(1); f(x)=x*3; g(1); .delete f; g(1)",
    "a(x)=b(x)+1; b(y)={a(z)=z*1000}y; a(2); a(2)",
    "ack(m,n)=if(m<1,n+1,if(n<1,ack(m-1,1),ack(m-1,ack(m,n-1)))); ack(2,2); ack(1,3)",
    "z(x,y)=x*10+y; o(a)=z(a,a)+z(a+1,z(a,2)); o(1); n2(x)=z(x,x); n2(4)",
    "g1(x)=1/x; g2(x)=g1(x)+g1(x-1); g2(1); g2(3); g3(x)=if(g1(x)>1,1,2); g3(0); g3(0.5)",
    "x<7; k3(y)=y/x; k3(28); f1(x)=x+1; .for i,1,3; f1(i); f2(i)=i*2; .for i,1,2; f2(i);",
    "f3(x)=x+1; f3(2[m]); f4(x[m])=x*2; f4(3); f5(x)=f3(x)[m]; f5(1)",
    "r(n)=r(n+1); r(1); 2",
};

TEST(NumberFormTest, GivesWhatReadingTheTextGives) {
  for (const char* script : kScripts) {
    EXPECT_EQ(RunWith(script, kAllCaches), RunWith(script, kAllCaches & ~kFormCache)) << script;
  }
}

TEST(NumberFormTest, IsMadeForTheBodiesItHolds) {
  struct Case {
    const char* body;
    bool made;
  };
  for (const Case& c :
       {Case{"x*2+1", true}, Case{"if(x<1,2,f0(x-1)^2)", true}, Case{"-(x)/3-.5", true},
        Case{"g0(x,x+1)", true}, Case{"x[m]", false}, Case{"{x}", false}, Case{"sin(x)", false},
        Case{"2x", false}, Case{"1e3*x", false}, Case{"if(x,1,2)", false}, Case{"x!=1", false},
        Case{"0x10+x", false}, Case{"y+x", false}, Case{"g0(x)", false}, Case{"h0(x)", false},
        Case{"k0(1,x)", false}, Case{"k0(x,1)", true}, Case{"x(2)", false}}) {
    Context ctx;
    ctx.caches.enabled = kAllCaches;  // whatever ZEMU_CACHES says
    Execute(ctx, std::string("g0(a,b)=a-b; k0(x,y)=x*y; h0(x)=x[m]; f0(x)=") + c.body + "; f0(1)");
    Definition& d = *ctx.defines.sheets.front()->rows[4].definition;
    EXPECT_EQ(NumberFormFor(ctx, d) != nullptr, c.made) << c.body;
  }
}

}  // namespace
}  // namespace zemu
