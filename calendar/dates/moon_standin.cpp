// Stand-in until the date arithmetic is built: always the new moon.
#include "dates/moon.h"

int GetMoonPhaseIcon(int, int, int)
{
    return 0;
}
