// The directory tree's text: the order of names within a folder, the lines
// drawn with box-drawing marks, where the path list comes from, what a failed
// copy tells the user, and the paths read from the host's cache file.
// No Win32 here: the code page conversion of a cache file is handed in, so
// this builds and is tested natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::dirtree {

// Characters of a path node, its NUL included: a path holds at most 519.
inline constexpr std::size_t kPathCapacity = 520;
// Levels below the start path that the tree shows, and column flags it keeps.
inline constexpr int kMaxDepth = 100;

inline constexpr char16_t kBar = u'\u2502';     // │ a later sibling below in this column
inline constexpr char16_t kBlank = u'\u3000';   // ideographic space: full width, as the marks
inline constexpr char16_t kTee = u'\u251C';     // ├ a later sibling follows
inline constexpr char16_t kCorner = u'\u2514';  // └ the last of its folder

// Names compared as their upper-cased copies, where only a to z fold, code unit
// by code unit; a name that is a prefix of another comes first.
bool NameLess(std::u16string_view a, std::u16string_view b);
void SortNames(std::vector<std::u16string>& names);

// One tree line: a column mark per flag of the levels above, the branch mark, the name.
std::u16string TreeLine(std::span<const bool> columns, bool laterSibling, std::u16string_view name);

// The folder path joined with a name, without doubling a root's backslash (C:\ + x is C:\x).
std::u16string JoinPath(std::u16string_view dir, std::u16string_view name);

// True when path fits a node: fewer than kPathCapacity characters.
inline bool FitsNode(std::u16string_view path) { return path.size() < kPathCapacity; }

// The lines of a path list in the order of a scan, one per path: a path with d
// backslashes is at level d - 1 below the drive root, and its later sibling is
// the first following path of as many backslashes, when that has the same
// parent (ASCII letters compared without case). Every path must hold from 1 to
// kMaxDepth backslashes (CachePaths and the scan give no others); a path
// outside that is drawn at the nearest level, never past the column flags.
std::vector<std::u16string> DrawLines(std::span<const std::u16string_view> paths);

// Where the dialog takes a tree's path list from.
enum class TreeSource {
  kScan,
  kHostList,   // the list the host kept from an earlier call
  kCacheFile,  // the drive's cache file; a scan when it cannot be read
  kRootOnly,   // nothing below the root
};

struct TreePlan {
  TreeSource source;
  bool keep;  // the list goes back to the host's cache at the end; otherwise it is freed

  bool operator==(const TreePlan&) const = default;
};

// The host's cache serves a drive root only, and only when the host reads
// cache files or keeps lists. Its list comes first; a drive other than fixed
// is scanned every time, and a fixed one the host only keeps lists of starts
// empty until Reload.
TreePlan PlanTree(bool driveRoot, bool useFile, bool keep, bool hostHolds, bool fixedDrive);

// The steps of a copy of the selected lines to the clipboard, in order.
enum class CopyStep { kAllocate, kOpen, kEmpty, kSetData };

// What the user is told when a copy failed at that step.
std::u16string_view CopyFailureMessage(CopyStep failed);

// The system's ANSI code page as UTF-16; the bytes hold no NUL.
using AnsiDecoder = std::function<std::u16string(std::string_view)>;

// The text of a cache file: UTF-16 little-endian after the mark FF FE (an odd
// last byte is taken with a zero high byte), else ANSI; either ends at its
// first NUL, as when read into a zero-filled buffer.
std::u16string DecodeCacheText(std::span<const std::uint8_t> bytes, const AnsiDecoder& ansi);

// The paths of a cache file's text: each piece before a CR LF, in order; text
// after the last CR LF is ignored. A piece that would not fit a node or the
// column flags (519 characters or more, no backslash, more than kMaxDepth) is
// skipped rather than cut: a cut path would send the host to another folder.
std::vector<std::u16string_view> CachePaths(std::u16string_view text);

}  // namespace zv::dirtree
