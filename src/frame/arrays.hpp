#pragma once
// Named, zero-filled, 1-based arrays: slot 0 is unused, so an array of n elements has n+1
// slots.  Two-dimensional arrays are one contiguous block with row access.  The name is
// used in failure messages only.
#include <cstddef>
#include <exception>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace torva {

void print_size_zero_message();
void print_allocation_failure(const std::string& name);

template <class T>
class Array1 {
 public:
  Array1() = default;
  explicit Array1(std::string name) : name_(std::move(name)) {}

  // n elements (n+1 slots).  n = 0: no array, no message; n < 0: the size-0 message.
  bool allocate(long n) {
    v_.clear();
    if (n == 0) return false;
    if (n < 0) {
      print_size_zero_message();
      return false;
    }
    try {
      v_.assign(static_cast<std::size_t>(n) + 1, T{});
    } catch (const std::exception&) {
      print_allocation_failure(name_);
      return false;
    }
    return true;
  }
  void release() { std::vector<T>().swap(v_); }
  void fill(const T& value) { std::fill(v_.begin(), v_.end(), value); }

  T& operator[](std::size_t i) { return v_[i]; }
  const T& operator[](std::size_t i) const { return v_[i]; }
  // Number of elements, not counting slot 0.
  std::size_t size() const { return v_.empty() ? 0 : v_.size() - 1; }
  bool empty() const { return v_.empty(); }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  // All slots including slot 0, for kernels.
  std::span<T> slots() { return {v_.data(), v_.size()}; }
  std::span<const T> slots() const { return {v_.data(), v_.size()}; }
  const std::string& name() const { return name_; }
  void set_name(std::string n) { name_ = std::move(n); }

 private:
  std::vector<T> v_;
  std::string name_;
};

template <class T>
class Array2 {
 public:
  Array2() = default;
  explicit Array2(std::string name) : name_(std::move(name)) {}

  // rows x cols elements ((rows+1) x (cols+1) slots).  A zero dimension prints the size-0
  // message; `report_name_on_empty` adds the allocation message (named stream arrays).
  bool allocate(long rows, long cols, bool report_name_on_empty = false) {
    v_.clear();
    rows_ = cols_ = 0;
    if (rows <= 0 || cols <= 0) {
      print_size_zero_message();
      if (report_name_on_empty) print_allocation_failure(name_);
      return false;
    }
    const std::size_t r = static_cast<std::size_t>(rows) + 1,
                      c = static_cast<std::size_t>(cols) + 1;
    if (r > std::numeric_limits<std::size_t>::max() / sizeof(T) / c) {
      print_allocation_failure(name_);
      return false;
    }
    try {
      v_.assign(r * c, T{});
    } catch (const std::exception&) {
      print_allocation_failure(name_);
      return false;
    }
    rows_ = rows;
    cols_ = cols;
    return true;
  }
  void release() {
    std::vector<T>().swap(v_);
    rows_ = cols_ = 0;
  }
  void fill(const T& value) { std::fill(v_.begin(), v_.end(), value); }

  T* operator[](std::size_t r) { return v_.data() + r * stride(); }
  const T* operator[](std::size_t r) const { return v_.data() + r * stride(); }
  T& operator()(std::size_t r, std::size_t c) { return v_[r * stride() + c]; }
  const T& operator()(std::size_t r, std::size_t c) const { return v_[r * stride() + c]; }
  long rows() const { return rows_; }
  long cols() const { return cols_; }
  std::size_t stride() const { return static_cast<std::size_t>(cols_ + 1); }
  bool empty() const { return v_.empty(); }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  const std::string& name() const { return name_; }
  void set_name(std::string n) { name_ = std::move(n); }

 private:
  std::vector<T> v_;
  long rows_ = 0;
  long cols_ = 0;
  std::string name_;
};

template <class T>
class Array3 {
 public:
  Array3() = default;
  explicit Array3(std::string name) : name_(std::move(name)) {}

  bool allocate(long a, long b, long c) {
    v_.clear();
    a_ = b_ = c_ = 0;
    if (a <= 0 || b <= 0 || c <= 0) {
      print_size_zero_message();
      return false;
    }
    const std::size_t na = static_cast<std::size_t>(a) + 1, nb = static_cast<std::size_t>(b) + 1,
                      nc = static_cast<std::size_t>(c) + 1;
    const std::size_t limit = std::numeric_limits<std::size_t>::max() / sizeof(T);
    if (na > limit / nb || na * nb > limit / nc) {
      print_allocation_failure(name_);
      return false;
    }
    try {
      v_.assign(na * nb * nc, T{});
    } catch (const std::exception&) {
      print_allocation_failure(name_);
      return false;
    }
    a_ = a;
    b_ = b;
    c_ = c;
    return true;
  }
  T& operator()(std::size_t i, std::size_t j, std::size_t k) {
    return v_[(i * (b_ + 1) + j) * (c_ + 1) + k];
  }
  const T& operator()(std::size_t i, std::size_t j, std::size_t k) const {
    return v_[(i * (b_ + 1) + j) * (c_ + 1) + k];
  }
  bool empty() const { return v_.empty(); }
  const std::string& name() const { return name_; }

 private:
  std::vector<T> v_;
  long a_ = 0, b_ = 0, c_ = 0;
  std::string name_;
};

}  // namespace torva
