#include "core/min_max.h"

#include "core/float_to_int.h"

double MaxF(double a, double b) { return a > b ? a : b; }

double MinF(double a, double b) { return a < b ? a : b; }

double MinDoubleFloat(double a, float b) { return MinF(a, static_cast<double>(b)); }

int32_t MaxI(int32_t a, int32_t b) { return b >= a ? b : a; }

int32_t MinI(int32_t a, int32_t b) { return b <= a ? b : a; }

int32_t MaxIntDouble(int32_t a, double b) { return MaxI(a, TruncToInt32(b)); }
