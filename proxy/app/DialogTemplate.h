// The layouts of the proxy's dialogs in dialog units, as the desktop platform's dialog templates
// give them, and their conversion to pixels.
//
// A dialog unit is a quarter of the dialog font's average character width horizontally and an
// eighth of its height vertically. For the 8-point "MS Shell Dlg" font at 96 DPI the platform's
// dialog base units are 6 x 13 pixels, so x pixels = dlu * 6 / 4 and y pixels = dlu * 13 / 8. The
// platform converts every coordinate and every size on its own and rounds each result to the
// nearest pixel, halves away from zero (its MulDiv); so do we, which puts every control on the
// pixel the platform would.
#pragma once

#include "platform/DialogControls.h"

#include <span>
#include <string_view>

namespace dialog {

inline constexpr int kBaseUnitX = 6; // pixels per 4 horizontal dialog units
inline constexpr int kBaseUnitY = 13; // pixels per 8 vertical dialog units

// a * b / c rounded to the nearest integer, halves away from zero, for a * b >= 0 and c > 0.
constexpr int MulDiv(int a, int b, int c)
{
    return (2 * a * b + c) / (2 * c);
}
constexpr int ToPixelsX(int dlu)
{
    return MulDiv(dlu, kBaseUnitX, 4);
}
constexpr int ToPixelsY(int dlu)
{
    return MulDiv(dlu, kBaseUnitY, 8);
}

enum class Kind { Label, Edit, Button, ListView, Icon };

// Style bits of a control.
enum Style : unsigned {
    kRightAligned = 1u << 0, // label text against the right edge
    kReadOnly = 1u << 1, // edit field the user cannot change
    kDigitsOnly = 1u << 2, // edit field that takes digits only
    kDisabled = 1u << 3, // starts disabled
    kDefaultButton = 1u << 4, // pressed by Enter
    kScrollsHorizontally = 1u << 5, // edit field wider in text than on screen
    kBorder = 1u << 6,
};

inline constexpr int kNoId = -1; // labels and icons that the code never addresses

struct ControlTemplate {
    int id;
    Kind kind;
    std::string_view text;
    int x, y, cx, cy; // dialog units
    unsigned style;
};

struct DialogTemplate {
    std::string_view title;
    int cx, cy; // client area, dialog units
    std::span<const ControlTemplate> controls;
};

// Dialog 102, the main window.
inline constexpr ControlTemplate kMainControls[] = {
    { kNoId, Kind::Label, "Server IP:", 7, 10, 34, 8, kRightAligned },
    { 1000, Kind::Edit, "", 43, 7, 93, 14, kScrollsHorizontally },
    { kNoId, Kind::Label, "Port:", 141, 10, 17, 8, kRightAligned },
    { 1003, Kind::Edit, "", 159, 7, 40, 14, kDigitsOnly },
    { 1001, Kind::Button, "Connect", 205, 7, 50, 14, 0 },
    { 1002, Kind::Button, "Disconnect", 259, 7, 50, 14, kDisabled },
    { 1008, Kind::Button, "Logfile", 313, 7, 50, 14, 0 },
    { 1009, Kind::Button, "+10", 365, 7, 26, 14, kDisabled },
    { kNoId, Kind::Label, "Clients connected:", 411, 10, 60, 8, kRightAligned },
    { 1007, Kind::Edit, "", 475, 7, 33, 14, kReadOnly },
    { 1, Kind::Button, "OK", 518, 7, 50, 16, kDefaultButton },
    { 2, Kind::Button, "Cancel", 518, 25, 50, 16, 0 },
    { kNoId, Kind::Label, "Lines:", 7, 27, 34, 8, kRightAligned },
    { 1004, Kind::Edit, "", 43, 24, 93, 14, kReadOnly },
    { 1005, Kind::Edit, "", 141, 24, 367, 14, kReadOnly },
    { 1006, Kind::ListView, "", 7, 46, 561, 388, kBorder },
};
inline constexpr DialogTemplate kMainDialog { "Quorvex v1.0 by Dorvath", 575, 441, kMainControls };

// Dialog 100, the About box. The icon control takes the icon's own size.
inline constexpr ControlTemplate kAboutControls[] = {
    { kNoId, Kind::Icon, "", 11, 17, 21, 20, 0 },
    { kNoId, Kind::Label, "Quorvex Version 1.0", 40, 10, 119, 8, 0 },
    { 1, Kind::Button, "OK", 178, 7, 50, 16, kDefaultButton },
};
inline constexpr DialogTemplate kAboutDialog { "About Quorvex", 235, 55, kAboutControls };

// The system menu command that opens the About box; commands compare after masking with 0xFFF0.
inline constexpr int kIdmAboutBox = 0x0010;
inline constexpr std::string_view kAboutMenuText = "&About Quorvex...";

// Gives controls that keep no template of their own (a console, a test fake) the template's
// initial texts and enabled states.
void ApplyInitialStates(const DialogTemplate& dialog, platform::CDialogControls& controls);

} // namespace dialog
