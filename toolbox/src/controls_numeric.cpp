// Numeric attribute conversion: a control's numeric attribute read in whatever numeric
// type the caller asks for, and the attribute-type knowledge the other control
// utilities share to read and set attributes as int.
//
// Choices:
//  - Values pass through a double and are converted as ConvertArrayType converts: an
//    integer target takes the integer part modulo 2^32 (then its low 8 or 16 bits),
//    which is what a conversion through a 64-bit integer gives, so an unsigned 4294967295
//    read as int is -1 and -1.5 read as unsigned int is 4294967295; NaN and infinities
//    give 0; a float target rounds to nearest, with infinity beyond float's range.
//  - Only the value, range and increment follow the control's data type. An int
//    attribute (a position, say) is read as an int on every control, so a double
//    control's left edge is not misread as eight bytes of a double; pointer and string
//    attributes are not numeric and give RTE_UIE_INVALID_ATTRIBUTE.
//  - Reads go into storage of eight bytes, the largest numeric type, whatever the
//    control's type says.
//  - A null value gives RTE_UIE_NULL_ARGUMENT before anything is read.
//  - Setting from an int: data-typed attributes get a double for float and double
//    controls and an unsigned int (the same bits) for unsigned int controls; the timer
//    interval gets a double; pointer attributes take only 0, passed as a null pointer
//    (no pointer fits in an int on 64-bit targets; any other value gives
//    RTE_UIE_INVALID_ATTRIBUTE_VALUE); string attributes give RTE_UIE_INVALID_ATTRIBUTE.
#include "controls_internal.h"

namespace {

constexpr char kControlTypeMessage[] =
    "The type of the control passed to GetNumericAttributeAsType\nwas not a numeric type.";
constexpr char kTargetTypeMessage[] =
    "Parameter 4 passed to GetNumericAttributeAsType\nwas not a numeric data type.";

bool isNumericType(int dataType) {
    return dataType >= TB_TYPE_CHAR && dataType <= TB_TYPE_UNSIGNED_CHAR &&
           dataType != TB_TYPE_STRING;
}

int readDataType(int panel, int control, int *dataType) {
    return GetCtrlAttribute(panel, control, RTE_ATTR_DATA_TYPE, dataType);
}

// A data-typed attribute read in the control's data type and widened to a double.
int readTypedAttribute(int panel, int control, int attribute, double *value) {
    int dataType;
    int code = readDataType(panel, control, &dataType);
    if (code < 0) return code;
    if (!isNumericType(dataType)) return RTE_UIE_INVALID_ATTRIBUTE;
    alignas(double) unsigned char raw[sizeof(double)] = {};
    code = GetCtrlAttribute(panel, control, attribute, raw);
    if (code < 0) return code;
    ConvertArrayType(raw, dataType, value, TB_TYPE_DOUBLE, 1);
    return 0;
}

}  // namespace

namespace tb {

AttributeType ctrlAttributeType(int attribute) {
    switch (attribute) {
    case RTE_ATTR_CALLBACK_DATA:
    case RTE_ATTR_CALLBACK_FUNCTION_POINTER: return AttributeType::Pointer;
    case RTE_ATTR_INTERVAL: return AttributeType::Double;
    case RTE_ATTR_LABEL_TEXT:
    case 682:  // the text font's name, kept for the font attributes of later kinds
        return AttributeType::String;
    case RTE_ATTR_MAX_VALUE:
    case RTE_ATTR_MIN_VALUE:
    case RTE_ATTR_CTRL_VAL:
    case RTE_ATTR_INCR_VALUE: return AttributeType::Typed;
    default: return AttributeType::Int;
    }
}

void assertNumericControlType(int dataType) {
    TB_ASSERT(isNumericType(dataType), kControlTypeMessage);
}

int readNumericAttribute(int panel, int control, int attribute, double *value) {
    switch (ctrlAttributeType(attribute)) {
    case AttributeType::Int: {
        int read;
        int code = GetCtrlAttribute(panel, control, attribute, &read);
        if (code == 0) *value = read;
        return code;
    }
    case AttributeType::Double: return GetCtrlAttribute(panel, control, attribute, value);
    case AttributeType::Typed: return readTypedAttribute(panel, control, attribute, value);
    default: return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int readAttributeAsInt(int panel, int control, int attribute, int *value) {
    if (ctrlAttributeType(attribute) == AttributeType::Int)
        return GetCtrlAttribute(panel, control, attribute, value);
    double read;
    int code = readNumericAttribute(panel, control, attribute, &read);
    if (code == 0) ConvertArrayType(&read, TB_TYPE_DOUBLE, value, TB_TYPE_INT, 1);
    return code;
}

int setAttributeFromInt(int panel, int control, int attribute, int value) {
    switch (ctrlAttributeType(attribute)) {
    case AttributeType::Int: return SetCtrlAttribute(panel, control, attribute, value);
    case AttributeType::Double:
        return SetCtrlAttribute(panel, control, attribute, static_cast<double>(value));
    case AttributeType::Pointer:
        if (value != 0) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        return SetCtrlAttribute(panel, control, attribute, static_cast<void *>(nullptr));
    case AttributeType::String: return RTE_UIE_INVALID_ATTRIBUTE;
    case AttributeType::Typed: break;
    }
    int dataType;
    int code = readDataType(panel, control, &dataType);
    if (code < 0) return code;
    switch (dataType) {
    case TB_TYPE_FLOAT:
    case TB_TYPE_DOUBLE:
        return SetCtrlAttribute(panel, control, attribute, static_cast<double>(value));
    case TB_TYPE_UNSIGNED_INT:
        return SetCtrlAttribute(panel, control, attribute, static_cast<unsigned int>(value));
    default:
        if (!isNumericType(dataType)) return RTE_UIE_INVALID_ATTRIBUTE;
        return SetCtrlAttribute(panel, control, attribute, value);
    }
}

}  // namespace tb

extern "C" {

int GetNumericAttributeAsType(int panel, int control, int attribute, int dataType, void *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    int controlType;
    int code = readDataType(panel, control, &controlType);
    if (code < 0) return code;
    tb::assertNumericControlType(controlType);
    double read;
    code = tb::readNumericAttribute(panel, control, attribute, &read);
    if (code < 0) return code;
    TB_ASSERT(isNumericType(dataType), kTargetTypeMessage);
    ConvertArrayType(&read, TB_TYPE_DOUBLE, value, dataType, 1);
    return 0;
}

}  // extern "C"
