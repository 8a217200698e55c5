// The controls of a dialog, addressed by control id.
//
// The proxy's window logic talks to its controls only through this interface, so that the same
// logic runs in a Qt window, on a console without a window, and against a recording fake in
// tests. Ids are those of the dialog template; the list view is addressed by its id as well.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class CDialogControls {
public:
    virtual ~CDialogControls() = default;

    // Text of an edit field, label or button caption.
    virtual void SetWindowText(int id, std::string_view text) = 0;
    virtual std::string GetWindowText(int id) const = 0;

    virtual void EnableWindow(int id, bool enable) = 0;
    virtual bool IsWindowEnabled(int id) const = 0;

    // Report-style list view. A new column is sized to its header text.
    virtual void ListInsertColumn(int id, int column, std::string_view header) = 0;
    virtual int ListGetItemCount(int id) const = 0;
    // Inserts a row at `row` (0..count) whose column 0 shows `text`; later rows move down.
    virtual void ListInsertItem(int id, int row, std::string_view text) = 0;
    virtual void ListSetItemText(int id, int row, int column, std::string_view text) = 0;
    // Deletes a row; later rows move up.
    virtual void ListDeleteItem(int id, int row) = 0;
    // Deletes `count` rows from `row` on; later rows move up. One row at a time unless the
    // controls can do better.
    virtual void ListDeleteItems(int id, int row, int count)
    {
        for (int i = 0; i < count; ++i)
            ListDeleteItem(id, row);
    }

    // A plain modal message box with an OK button. Front-ends without a screen print the text and
    // never wait for input.
    virtual void MessageBox(std::string_view text) = 0;
};

} // namespace platform
