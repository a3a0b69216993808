// The list of a ring or drop-down control (the IP address field's history). Indexes from 0.
// Changing the list never changes the text being edited in the field, and calls no callback.
#pragma once

#include <cstddef>

int GetNumListItems(int panel, int control, int* count);
// Copies the label of item index, cut to cap - 1 bytes and terminated.
int GetLabelFromIndex(int panel, int control, int index, char* label, size_t cap);
// Inserts before index; -1 or an index past the end appends.
int InsertListItem(int panel, int control, int index, const char* label);
// Deletes count items from index on; -1 deletes everything from index to the end.
int DeleteListItem(int panel, int control, int index, int count);
// The index of the first item whose label equals text exactly (letter case included), or -1.
int FindListItem(int panel, int control, const char* text);
