#include "ini/ini_patterns.h"

// Defined in one place so that they are constructed in this order and
// destroyed in the opposite one. The tab in the sets is a real tab.
Pattern ValuePattern("=\\c.*\\c$");
Pattern KeyPattern("^[\t ]*\\c[^=]+\\c=");
Pattern SectionPattern("^[\t ]*\\[\\c[^\\]]+\\c\\]");
