#pragma once
// The guarded file handle every reader and writer uses, and the output-name rule.
#include <cstdio>
#include <string>

namespace torva {

constexpr std::size_t kMaxFileName = 1024;

struct FileHandle {
  FILE* fp = nullptr;
  FILE* fp_check = nullptr;  // compared with fp before every use
  std::string name;
  std::string mode;

  FileHandle() = default;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { close(); }

  // Opens `file_name` (through the output-name rule for "w"/"a"); true when open.
  bool open(const std::string& file_name, const std::string& open_mode);
  void close();
  bool is_open() const { return fp != nullptr; }
};

// Removes one leading and one trailing double quote; for write/append modes prefixes the
// project folder, the output folder and (numbered output) the "%04d_" run number.
std::string output_name(const std::string& file_name, const std::string& open_mode);

// Adds a trailing backslash to a folder name that lacks one (empty stays empty).
std::string folder_with_separator(const std::string& folder);

}  // namespace torva
