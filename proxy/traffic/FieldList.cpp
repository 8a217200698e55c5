#include "FieldList.h"

int CFieldList::Split(char* text, char delimiter)
{
    fieldCount = 0;
    char* start = text;
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n') {
            *p = '\0';
            break;
        }
        if (*p == delimiter && fieldCount < kMaxFields) {
            *p = '\0';
            field[fieldCount++] = start;
            start = p + 1;
        }
    }
    if (fieldCount < kMaxFields)
        field[fieldCount++] = start;
    return fieldCount;
}
