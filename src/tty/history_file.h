// The history file's locking and cookie, shared with the line editor module;
// they live with the program's other file code.
#pragma once

#include "platform/history_file.h"
