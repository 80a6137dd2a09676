#include "frame/file_handle.hpp"

#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

void check_pointer(const FileHandle& h) {
  if (h.fp != h.fp_check)
    say_console("\n\n\nError with the file %s. The file pointer is corrupt.\n\n\n\n",
                h.name.c_str());
}

bool is_output_mode(const std::string& mode) {
  return !mode.empty() && (mode[0] == 'w' || mode[0] == 'a');
}

}  // namespace

std::string folder_with_separator(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  return folder + '\\';
}

std::string output_name(const std::string& file_name, const std::string& open_mode) {
  std::string name = file_name;
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  if (!is_output_mode(open_mode)) return name;
  const RunContext& p = run_context();
  std::string prefix = p.project_folder + p.output_folder;
  if (p.numbered_output) {
    char run[32];
    std::snprintf(run, sizeof run, "%04d_", p.output_run_number);
    prefix += run;
  }
  return prefix + name;
}

bool FileHandle::open(const std::string& file_name, const std::string& open_mode) {
  check_pointer(*this);
  if (file_name.empty()) return false;
  if (open_mode.empty() || (open_mode[0] != 'w' && open_mode[0] != 'a' && open_mode[0] != 'r'))
    return false;
  if (fp) {
    say_console(
        "\n\nError!!!!!!! opening a file when the previous file was not closed.\nOriginal file: "
        "%s\nNew file: %s\n\n\n",
        name.c_str(), file_name.c_str());
  }
  const std::string full = output_name(file_name, open_mode);
  if (full.size() > kMaxFileName) say_console("Error.... name too long!!!\n\n\n");
  FILE* stream = std::fopen(full.c_str(), open_mode.c_str());
  if (!stream) {
    fp = nullptr;
    fp_check = nullptr;
    return false;
  }
  fp = stream;
  fp_check = stream;
  name = full;
  mode = open_mode;
  return true;
}

void FileHandle::close() {
  check_pointer(*this);
  if (fp) std::fclose(fp);
  fp = nullptr;
  fp_check = nullptr;
  name.clear();
  mode.clear();
}

}  // namespace torva
