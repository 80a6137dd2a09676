#pragma once
// A scratch folder for tests that read and write files: a fresh temporary folder that is the
// working directory while it lives, with small file helpers and a raster text builder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace torva::support {

// The whole of the file at `p`; empty when it does not exist.
inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A fresh temporary folder, entered on construction, left and removed on destruction.
class Scratch {
 public:
  Scratch() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "torva_XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("no scratch folder");
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // Absolute path of `name` in the folder (cards and messages name files this way).
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // Writes `text` byte for byte to `name`, creating its parent folders.
  void write(const std::string& name, const std::string& text) const {
    const std::filesystem::path p = dir_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  // The whole of `name`; empty when it does not exist.
  std::string read(const std::string& name) const { return slurp(dir_ / name); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

 private:
  std::filesystem::path dir_, old_;
};

// A fixture whose every test runs in its own scratch folder; Base may be TestWithParam<T>.
template <class Base = ::testing::Test>
class ScratchTest : public Base, public Scratch {};

// Raster file text: the header of a rows x cols grid of dx m cells whose south-west corner is
// at (0, 0), then `body` (the rows of values, each ending in a newline).
inline std::string raster(int rows, int cols, double dx, const std::string& body) {
  std::ostringstream o;
  o << "north: " << rows * dx << "\nsouth: 0.0\neast: " << cols * dx
    << "\nwest: 0.0\nrows: " << rows << "\ncols: " << cols << "\n"
    << body;
  return o.str();
}

// A raster whose cell (r, c), both counted from 0 at the north-west corner, holds value(r, c);
// whole numbers print without a decimal point, so integer maps come out as integers.
template <class F>
std::string raster_of(int rows, int cols, double dx, F value) {
  std::ostringstream body;
  body.precision(10);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) body << value(r, c) << (c + 1 < cols ? " " : "\n");
  }
  return raster(rows, cols, dx, body.str());
}

// A raster with the same value in every cell.
inline std::string raster_uniform(int rows, int cols, double dx, double v) {
  return raster_of(rows, cols, dx, [v](int, int) { return v; });
}

}  // namespace torva::support
