#include "common/settings/saver_rules.h"

namespace {

int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

}  // namespace

int ClampSpeedAnimation(int speed)
{
    if ((unsigned)speed < 10)
        return 10;
    if ((unsigned)speed > 80)
        return 80;
    return speed;
}

int ClampPause(int pause)
{
    return Clamp(pause, 80, 3000);
}

int ClampGridCount(int count)
{
    return Clamp(count, 1, 24);
}

bool IsUsableFontHeight(int height, int lowest)
{
    return height >= lowest && height <= -11;
}
