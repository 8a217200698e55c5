// The in-place field splitter shared by the SBS parser (','), the lookup-file loader (TAB) and
// the FSD packet rules (':').
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The fields of one split line: pointers into the line itself, which Split has cut with NULs.
// They stay valid only while that buffer is unchanged.
struct CFieldList {
    static constexpr int kMaxFields = 50;

    // Cuts `text` in place at every `delimiter` and at its first CR or LF, which ends the last
    // field. At most kMaxFields fields are kept: from the 50th delimiter on the rest of the line
    // is dropped. An empty text gives one empty field. No quoting, no trimming. Returns
    // fieldCount, 1 to kMaxFields.
    int Split(char* text, char delimiter);
    // The same for a text whose length is known: `text[length]` is its NUL, and no NUL comes
    // before it.
    int Split(char* text, std::size_t length, char delimiter);

    char* field[kMaxFields] = {};
    int fieldCount = 0;
};

// Whether `text` can stand as one field of an FSD packet: it holds no ':' (the field separator)
// and no control byte (below 0x20, or 0x7F), so it can neither add a field nor end a line.
bool IsPacketFieldText(std::string_view text);

// `text` without the bytes that IsPacketFieldText refuses.
std::string PacketFieldText(std::string_view text);
