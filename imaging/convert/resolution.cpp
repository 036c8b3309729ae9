// Resolution units of the readers' headers to pixels per metre.
#include "convert.h"

#include <cmath>

namespace {

enum class ISUnit { None, PerInch, PerCentimetre, PerMetre };

ISUnit UnitOf(int32_t kind, uint32_t unit)
{
    switch (kind) {
    case kISResJpegUnit:
        return unit == 1 ? ISUnit::PerInch : unit == 2 ? ISUnit::PerCentimetre : ISUnit::None;
    case kISResTiffUnit:
        return unit == 2 ? ISUnit::PerInch : unit == 3 ? ISUnit::PerCentimetre : ISUnit::None;
    case kISResPngUnit:
        return unit == 1 ? ISUnit::PerMetre : ISUnit::None;
    default:
        return ISUnit::None;
    }
}

// Inches are cut to whole per-centimetre values first, as the headers have
// always been written (72 dpi gives 2800, not 2834).
double PerMetre(double value, ISUnit unit)
{
    switch (unit) {
    case ISUnit::PerInch:
        return std::trunc(value * 0.39370079) * 100.0;
    case ISUnit::PerCentimetre:
        return value * 100.0;
    default:
        return value;
    }
}

}  // namespace

BOOL ISConvertResolution(ISResolution* record, int32_t sourceKind, int32_t targetKind)
{
    if (!record || sourceKind < 0 || sourceKind > kISResPngUnit || targetKind != kISResPerMetre)
        return FALSE;
    const ISUnit unit = UnitOf(sourceKind, record->unit);
    if (unit == ISUnit::None) {
        record->x = 0.0;
        record->y = 0.0;
        record->unit = 0;
        return FALSE;
    }
    record->x = PerMetre(record->x, unit);
    record->y = PerMetre(record->y, unit);
    record->unit = 1;
    return TRUE;
}
