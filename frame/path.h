// Path splitting on NUL-terminated wide strings. No Win32 here: these build and
// are tested natively too (where wchar_t is wider, which changes nothing below).
#pragma once

// Index of the n-th backslash (counted from 1), or of the last one when n is -1;
// -1 when there are fewer, or when n is 0.
int FindBackslash(int n, const wchar_t* text);

// dir receives the part before the last backslash (without it); name, when not
// null, the part after it. Without a backslash dir is empty and name is the path.
void SplitPathName(const wchar_t* path, wchar_t* dir, wchar_t* name);

// Splits at the last period of the whole string. base and ext may be null, and
// base may be path itself (cut in place). True when a period was found.
bool SplitExtension(const wchar_t* path, wchar_t* base, wchar_t* ext);

// Case-insensitive (ASCII, like _wcsicmp in the C locale) test of the extension;
// ext is given without the period. False when ext is empty, and false when the
// extension found is longer than 259 characters (only a path beyond the
// 260-character limit has one): it does not fit the comparison buffer.
bool HasExtension(const wchar_t* path, const wchar_t* ext);

// Root of a drive path (C:\ or C:) or of a UNC path (\\srv\share or \\srv\share\).
// Writes nothing and returns false for any other path.
bool GetPathRoot(const wchar_t* path, wchar_t* root);
bool IsPathRoot(const wchar_t* path);

// The classification of a find entry from its directory flag and name:
// 0 not a directory, 3 ".", 2 "..", 1 any other directory.
int ClassifyEntryName(bool isDirectory, const wchar_t* name);
