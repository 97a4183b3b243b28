// Private to the control utilities and dialogs: owned lists of control ids, and how the
// engine's control attributes carry their values, so that attributes can be read and
// set as int without reading or passing the wrong type.
#ifndef TOOLBOX_CONTROLS_INTERNAL_H
#define TOOLBOX_CONTROLS_INTERNAL_H

#include <memory>

#include "toolbox_internal.h"

namespace tb {

// A list disposed when its owner ends.
struct ListDisposer {
    void operator()(ListRef list) const { ListDispose(list); }
};
using OwnedList = std::unique_ptr<HandleRecord, ListDisposer>;

// True for a list whose items are int control ids (a null list is an empty one).
inline bool isIdList(ListRef list) {
    return list == nullptr || ListGetItemSize(list) == static_cast<int>(sizeof(int));
}

// The control id at position (1 ... n) of an id list.
inline int idAt(ListRef list, int position) {
    int id = 0;
    ListGetItem(list, &id, position);
    return id;
}

// How a control attribute's value travels through Get/SetCtrlAttribute.
enum class AttributeType {
    Int,      // every attribute not listed otherwise
    Pointer,  // callback function and data
    Double,   // the timer interval
    String,   // label and font names
    Typed     // value, range and increment: the control's data type
};
AttributeType ctrlAttributeType(int attribute);

// Asserts that a control's data type is a numeric one (not 5, within 0..8).
void assertNumericControlType(int dataType);

// Reads an int, double or data-typed attribute as a double: 0 or the engine's code;
// RTE_UIE_INVALID_ATTRIBUTE for pointer and string attributes.
int readNumericAttribute(int panel, int control, int attribute, double *value);
// The same, converted to int as GetNumericAttributeAsType converts.
int readAttributeAsInt(int panel, int control, int attribute, int *value);
// Sets the attribute from an int, passed in the attribute's own type (see toolbox.h).
int setAttributeFromInt(int panel, int control, int attribute, int value);

}  // namespace tb

#endif
