#pragma once
// The three patterns that classify INI lines, built before the driver runs
// (in this order) and destroyed after it. Each holds two capture marks around
// what the reader takes out of a line: the value after the first "=", the key
// before it, the section name between "[" and the first "]".

#include "ini/pattern/pattern.h"

extern Pattern ValuePattern;    // "=\c.*\c$"
extern Pattern KeyPattern;      // "^[\t ]*\c[^=]+\c="
extern Pattern SectionPattern;  // "^[\t ]*\[\c[^\]]+\c\]"
