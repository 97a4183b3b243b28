// Numeric attribute conversion: controls of every numeric data type with their range,
// value and increment set, each read in every numeric target type from a table; int
// attributes of typed controls; bad input; and the two programming errors.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "assertion_capture.h"
#include "controls_internal.h"
#include "controls_support.h"
#include "toolbox.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

// What each target type must hold for one control value.
struct Expected {
    std::int8_t asChar;
    std::int32_t asInt;
    std::int16_t asShort;
    float asFloat;
    double asDouble;
    std::uint16_t asUnsignedShort;
    std::uint32_t asUnsignedInt;
    std::uint8_t asUnsignedChar;
};

struct Conversion {
    int controlType;
    double value;
    Expected expected;
};

constexpr float kInfinity = std::numeric_limits<float>::infinity();

const Conversion kConversions[] = {
    // The unsigned maximum reads as -1 in every signed type: the integer part modulo 2^32.
    {RTE_VAL_UNSIGNED_INTEGER, 4294967295.0,
     {-1, -1, -1, 4294967296.0f, 4294967295.0, 65535, 4294967295u, 255}},
    {RTE_VAL_DOUBLE, 300.7, {44, 300, 300, float(300.7), 300.7, 300, 300, 44}},
    {RTE_VAL_DOUBLE, -1.5, {-1, -1, -1, -1.5f, -1.5, 65535, 4294967295u, 255}},
    {RTE_VAL_DOUBLE, 1e10, {0, 1410065408, -7168, 1e10f, 1e10, 58368, 1410065408u, 0}},
    {RTE_VAL_DOUBLE, 2147483648.5,
     {0, INT_MIN, 0, 2147483648.0f, 2147483648.5, 0, 2147483648u, 0}},
    {RTE_VAL_DOUBLE, -1e300, {0, 0, 0, -kInfinity, -1e300, 0, 0, 0}},
    {RTE_VAL_DOUBLE, DBL_MAX, {0, 0, 0, kInfinity, DBL_MAX, 0, 0, 0}},
    {RTE_VAL_FLOAT, 2.75, {2, 2, 2, 2.75f, 2.75, 2, 2, 2}},
    {RTE_VAL_FLOAT, -FLT_MAX, {0, 0, 0, -FLT_MAX, -double(FLT_MAX), 0, 0, 0}},
    {RTE_VAL_CHAR, -5, {-5, -5, -5, -5.0f, -5.0, 65531, 4294967291u, 251}},
    {RTE_VAL_SHORT, -32768, {0, -32768, -32768, -32768.0f, -32768.0, 32768, 4294934528u, 0}},
    {RTE_VAL_UNSIGNED_SHORT, 65535, {-1, 65535, -1, 65535.0f, 65535.0, 65535, 65535u, 255}},
    {RTE_VAL_UNSIGNED_CHAR, 200, {-56, 200, 200, 200.0f, 200.0, 200, 200u, 200}},
    {RTE_VAL_INTEGER, INT_MIN,
     {0, INT_MIN, 0, -2147483648.0f, -2147483648.0, 0, 2147483648u, 0}},
    {RTE_VAL_INTEGER, 70000, {112, 70000, 4464, 70000.0f, 70000.0, 4464, 70000u, 112}},
};

// Sets a data-typed attribute, passing the value as the engine reads it for the type.
int setTyped(int panel, int control, int attribute, int type, double value) {
    switch (type) {
    case RTE_VAL_FLOAT:
    case RTE_VAL_DOUBLE: return SetCtrlAttribute(panel, control, attribute, value);
    case RTE_VAL_UNSIGNED_INTEGER:
        return SetCtrlAttribute(panel, control, attribute, static_cast<unsigned>(value));
    default: return SetCtrlAttribute(panel, control, attribute, static_cast<int>(value));
    }
}

template <typename T>
T readAs(int panel, int control, int attribute, int target) {
    unsigned char out[16];
    std::memset(out, 0xBD, sizeof out);
    EXPECT_EQ(GetNumericAttributeAsType(panel, control, attribute, target, out), 0);
    for (size_t k = sizeof(T); k < sizeof out; ++k)
        EXPECT_EQ(out[k], 0xBD) << "byte " << k << " written past the target type";
    T value;
    std::memcpy(&value, out, sizeof value);
    return value;
}

class NumericConversion : public ::testing::TestWithParam<Conversion> {};

// The maximum, minimum, value and (when not negative) increment, each set to the
// value, read in every numeric target type.
TEST_P(NumericConversion, EveryTargetType) {
    const Conversion &c = GetParam();
    ScopedPanel panel;
    int control = makeIndicator(panel, "n", 50, 50);
    ASSERT_EQ(SetCtrlAttribute(panel, control, RTE_ATTR_DATA_TYPE, c.controlType), 0);
    std::vector<int> attributes = {RTE_ATTR_MAX_VALUE, RTE_ATTR_MIN_VALUE, RTE_ATTR_CTRL_VAL};
    if (c.value >= 0) attributes.push_back(RTE_ATTR_INCR_VALUE);
    for (int attribute : attributes)
        ASSERT_EQ(setTyped(panel, control, attribute, c.controlType, c.value), 0) << attribute;
    for (int attribute : attributes) {
        SCOPED_TRACE(attribute);
        const Expected &e = c.expected;
        EXPECT_EQ(readAs<std::int8_t>(panel, control, attribute, TB_TYPE_CHAR), e.asChar);
        EXPECT_EQ(readAs<std::int32_t>(panel, control, attribute, TB_TYPE_INT), e.asInt);
        EXPECT_EQ(readAs<std::int16_t>(panel, control, attribute, TB_TYPE_SHORT), e.asShort);
        EXPECT_EQ(readAs<float>(panel, control, attribute, TB_TYPE_FLOAT), e.asFloat);
        EXPECT_EQ(readAs<double>(panel, control, attribute, TB_TYPE_DOUBLE), e.asDouble);
        EXPECT_EQ(readAs<std::uint16_t>(panel, control, attribute, TB_TYPE_UNSIGNED_SHORT),
                  e.asUnsignedShort);
        EXPECT_EQ(readAs<std::uint32_t>(panel, control, attribute, TB_TYPE_UNSIGNED_INT),
                  e.asUnsignedInt);
        EXPECT_EQ(readAs<std::uint8_t>(panel, control, attribute, TB_TYPE_UNSIGNED_CHAR),
                  e.asUnsignedChar);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, NumericConversion, ::testing::ValuesIn(kConversions));

// Int attributes are ints on every control, whatever its data type: a double
// control's left edge is not read as the bytes of a double.
TEST(NumericAttributes, IntAttributesOfTypedControls) {
    ScopedPanel panel;
    for (int type : {RTE_VAL_DOUBLE, RTE_VAL_UNSIGNED_CHAR, RTE_VAL_FLOAT}) {
        SCOPED_TRACE(type);
        int control = makeIndicator(panel, "n", 50, 37);
        ASSERT_EQ(SetCtrlAttribute(panel, control, RTE_ATTR_DATA_TYPE, type), 0);
        EXPECT_EQ(readAs<double>(panel, control, RTE_ATTR_LEFT, TB_TYPE_DOUBLE), 37.0);
        EXPECT_EQ(readAs<std::uint8_t>(panel, control, RTE_ATTR_PRECISION, TB_TYPE_UNSIGNED_CHAR),
                  2);
    }
}

// Bad handles, attributes that are not numbers, controls without a data type and a
// null value each give their code and write nothing.
TEST(NumericAttributes, BadInputWritesNothing) {
    ScopedPanel panel;
    int indicator = makeIndicator(panel, "n", 50, 50);
    int button = makeButton(panel, 100, 10, 20, 20);
    int gone = NewPanel(0, "gone", 0, 0, 10, 10);
    ASSERT_EQ(DiscardPanel(gone), 0);
    const struct {
        int panel, control, attribute, code;
    } cases[] = {
        {gone, indicator, RTE_ATTR_CTRL_VAL, RTE_UIE_INVALID_PANEL},
        {panel, 99, RTE_ATTR_CTRL_VAL, RTE_UIE_INVALID_CONTROL},
        {panel, button, RTE_ATTR_LEFT, RTE_UIE_INVALID_ATTRIBUTE},  // no data type
        {panel, indicator, 9999, RTE_UIE_INVALID_ATTRIBUTE},
        {panel, indicator, RTE_ATTR_CALLBACK_DATA, RTE_UIE_INVALID_ATTRIBUTE},
        {panel, indicator, RTE_ATTR_LABEL_TEXT, RTE_UIE_INVALID_ATTRIBUTE},
    };
    int breaking = SetBreakOnLibraryErrors(0);
    for (const auto &c : cases) {
        double value = 0x5EED;
        EXPECT_EQ(
            GetNumericAttributeAsType(c.panel, c.control, c.attribute, TB_TYPE_DOUBLE, &value),
            c.code)
            << c.attribute;
        EXPECT_EQ(value, 0x5EED);
    }
    EXPECT_EQ(GetNumericAttributeAsType(panel, indicator, RTE_ATTR_CTRL_VAL, TB_TYPE_INT, nullptr),
              RTE_UIE_NULL_ARGUMENT);
    SetBreakOnLibraryErrors(breaking);
}

// A target type that is not numeric, and a control whose type is not, end the program
// with the library's messages.
TEST(NumericAttributes, NonNumericTypesAssert) {
    ScopedPanel panel;
    int p = panel;
    int control = makeIndicator(panel, "n", 50, 50);
    for (int target : {int(TB_TYPE_STRING), 9, -1}) {
        SCOPED_TRACE(target);
        std::string shown = assertionShownBy([&] {
            double value;
            GetNumericAttributeAsType(p, control, RTE_ATTR_CTRL_VAL, target, &value);
        });
        EXPECT_NE(shown.find("Parameter 4 passed to GetNumericAttributeAsType\nwas not a numeric "
                             "data type."),
                  std::string::npos)
            << shown;
        EXPECT_NE(shown.find("of file 'toolbox'"), std::string::npos) << shown;
    }
    // No engine control has the string type yet: the check that reading one makes.
    for (int controlType : {int(TB_TYPE_STRING), 9}) {
        std::string shown = assertionShownBy([&] { tb::assertNumericControlType(controlType); });
        EXPECT_NE(shown.find("The type of the control passed to GetNumericAttributeAsType\nwas not "
                             "a numeric type."),
                  std::string::npos)
            << shown;
    }
}

}  // namespace
