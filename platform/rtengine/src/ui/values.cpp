// Values of numeric controls: the data types, their ranges, and values read and
// written in the caller's type.
//
// The model keeps every value as a double, which holds each value of every numeric
// data type exactly (32-bit integers and floats included); the data type decides what
// may be stored and how many bytes a read writes.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

struct TypeRange {
    double low, high;
    bool integral;
};

TypeRange rangeOf(int dataType) {
    switch (dataType) {
    case RTE_VAL_CHAR: return {-128.0, 127.0, true};
    case RTE_VAL_INTEGER: return {double(INT_MIN), double(INT_MAX), true};
    case RTE_VAL_SHORT: return {-32768.0, 32767.0, true};
    case RTE_VAL_FLOAT: return {-double(FLT_MAX), double(FLT_MAX), false};
    case RTE_VAL_UNSIGNED_SHORT: return {0.0, 65535.0, true};
    case RTE_VAL_UNSIGNED_INTEGER: return {0.0, double(UINT_MAX), true};
    case RTE_VAL_UNSIGNED_CHAR: return {0.0, 255.0, true};
    default: return {-DBL_MAX, DBL_MAX, false};
    }
}

template <typename T>
void storeBytes(T v, void *out) {
    std::memcpy(out, &v, sizeof v);
}

}  // namespace

bool isNumericDataType(int dataType) {
    return dataType >= RTE_VAL_CHAR && dataType <= RTE_VAL_UNSIGNED_CHAR &&
           dataType != RTE_VAL_STRING;
}

NumericState defaultNumericState() {
    NumericState state;
    TypeRange range = rangeOf(state.dataType);
    state.minimum = range.low;
    state.maximum = range.high;
    return state;
}

bool fitsDataType(int dataType, double v) {
    TypeRange range = rangeOf(dataType);
    if (!(v >= range.low && v <= range.high)) return false;  // NaN fails here too
    return !range.integral || std::trunc(v) == v;
}

double coerceToDataType(int dataType, double v) {
    TypeRange range = rangeOf(dataType);
    if (std::isnan(v)) return 0.0;
    v = std::fmin(std::fmax(v, range.low), range.high);
    if (range.integral) return std::trunc(v);
    if (dataType == RTE_VAL_FLOAT) return double(float(v));
    return v;
}

void changeDataType(NumericState &state, int dataType) {
    state.dataType = dataType;
    state.minimum = coerceToDataType(dataType, state.minimum);
    state.maximum = coerceToDataType(dataType, state.maximum);
    state.increment = std::fmax(0.0, coerceToDataType(dataType, state.increment));
    double value = coerceToDataType(dataType, state.value);
    state.value = std::fmin(std::fmax(value, state.minimum), state.maximum);
}

size_t dataTypeSize(int dataType) {
    switch (dataType) {
    case RTE_VAL_CHAR:
    case RTE_VAL_UNSIGNED_CHAR: return 1;
    case RTE_VAL_SHORT:
    case RTE_VAL_UNSIGNED_SHORT: return 2;
    case RTE_VAL_INTEGER:
    case RTE_VAL_UNSIGNED_INTEGER:
    case RTE_VAL_FLOAT: return 4;
    default: return 8;
    }
}

void storeAsDataType(int dataType, double v, void *out) {
    switch (dataType) {
    case RTE_VAL_CHAR: storeBytes(int8_t(v), out); break;
    case RTE_VAL_INTEGER: storeBytes(int32_t(v), out); break;
    case RTE_VAL_SHORT: storeBytes(int16_t(v), out); break;
    case RTE_VAL_FLOAT: storeBytes(float(v), out); break;
    case RTE_VAL_UNSIGNED_SHORT: storeBytes(uint16_t(v), out); break;
    case RTE_VAL_UNSIGNED_INTEGER: storeBytes(uint32_t(v), out); break;
    case RTE_VAL_UNSIGNED_CHAR: storeBytes(uint8_t(v), out); break;
    default: storeBytes(v, out); break;
    }
}

void readVarArg(ValueKind kind, int dataType, va_list &args, AttrValue &value) {
    switch (kind) {
    case ValueKind::Int: value.i = va_arg(args, int); break;
    case ValueKind::Pointer: value.p = va_arg(args, void *); break;
    case ValueKind::Double: value.d = va_arg(args, double); break;
    case ValueKind::String: value.text = va_arg(args, const char *); break;
    case ValueKind::Typed:
        if (dataType == RTE_VAL_FLOAT || dataType == RTE_VAL_DOUBLE)
            value.d = va_arg(args, double);
        else if (dataType == RTE_VAL_UNSIGNED_INTEGER)
            value.d = va_arg(args, unsigned int);
        else
            value.d = va_arg(args, int);
        break;
    }
}

void writeValue(ValueKind kind, int dataType, const AttrValue &value, void *out) {
    switch (kind) {
    case ValueKind::Int: storeBytes(value.i, out); break;
    case ValueKind::Pointer: storeBytes(value.p, out); break;
    case ValueKind::Double: storeBytes(value.d, out); break;
    case ValueKind::String: std::memcpy(out, value.out->c_str(), value.out->size() + 1); break;
    case ValueKind::Typed: storeAsDataType(dataType, value.d, out); break;
    }
}

}  // namespace rte::ui
