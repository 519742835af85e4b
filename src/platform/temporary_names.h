// Names of the temporary files that a write puts beside its target, and of the
// backups of files written in place. They borrow the start of the target's
// name, so that a user who sees one knows whose it is, and carry the id of the
// process that made them, so that a later write can tell a killed write's
// leftovers from a write still going on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::platform {

// How much of the target's name a temporary name borrows: enough to say whose
// it is, and short enough that a target whose name is near the file system's
// limit can still be written.
inline constexpr std::size_t kBorrowedNameBytes = 64;
inline constexpr std::size_t kBorrowedNameUnits = 64;

// At most `limit` bytes of a UTF-8 name, cut before a character that would not
// fit whole: file systems that keep names as Unicode (NTFS, exFAT, FAT's long
// names) refuse half a character.
std::string BorrowedName(std::string_view utf8_name, std::size_t limit = kBorrowedNameBytes);

// At most `limit` UTF-16 units of a name, never half of a surrogate pair.
std::wstring BorrowedName(std::wstring_view utf16_name, std::size_t limit = kBorrowedNameUnits);

}  // namespace quillet::platform
