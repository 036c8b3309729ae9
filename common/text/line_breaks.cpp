#include "common/text/line_breaks.h"

void ReplaceLineBreakPairs(char* text)
{
    for (char* p = text; p[0] && p[1]; p++) {
        if (p[0] == '\\' && p[1] == 'n') {
            p[0] = '\r';
            p[1] = '\n';
            p++;
        }
    }
}
