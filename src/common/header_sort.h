// How a click on a table's header sorts it, one rule for every sortable table: the first click
// on a column puts numbers largest first and text in pinyin order, a second click on the same
// column reverses it; empty cells stay last either way, and ties keep the table's own order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace lindora {

class HeaderSort {
 public:
  // A click on the header of `column`, whose cells are numbers when `numeric`.
  void Click(int column, bool numeric) {
    descending_ = column == column_ ? !descending_ : numeric;
    column_ = column;
  }
  // Back to the table's own order (a new run).
  void Reset() { *this = HeaderSort(); }
  void Set(int column, bool descending) {
    column_ = column;
    descending_ = descending;
  }
  int Column() const { return column_; }  // -1: the table's own order
  bool Descending() const { return descending_; }
  // Whether a row whose cells compare as `c` (< 0, 0, > 0 in ascending order) to another's goes
  // first; on 0 the caller's own order decides.
  bool Before(int c) const { return descending_ ? c > 0 : c < 0; }

  // Sorts the rows (indices into the table, in its own order) by the column:
  // `compare(a, b)` compares two rows' cells in ascending order, `empty(a)` tells an empty cell.
  template <class Compare, class Empty>
  void Order(std::vector<std::size_t>& rows, const Compare& compare, const Empty& empty) const {
    if (column_ < 0) return;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
      const bool ea = empty(a), eb = empty(b);
      if (ea || eb) return !ea && eb;
      return Before(compare(a, b));
    });
  }

 private:
  int column_ = -1;
  bool descending_ = true;
};

}  // namespace lindora
