// Files that a reader in another process sees whole or not at all: a file is written beside its
// place, then renamed over it, and a text file ends with a closing line, so that one cut short by
// other means is told apart from a whole one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Writes `size` bytes beside `path` under a name of this thread's own, then renames them over it.
// False, with nothing left beside it, when either step fails.
bool ReplaceFileAtomically(const std::filesystem::path& path, const void* data, std::size_t size);

// The same with `text` and the closing line after it.
bool ReplaceClosedTextFile(const std::filesystem::path& path, std::string text);

// Reads the file into `text`, whose buffer is reused. False for a missing file, one of more than
// `limit` bytes, or one whose last line is not the closing line.
bool ReadClosedTextFile(const std::filesystem::path& path, std::size_t limit, std::string& text);
