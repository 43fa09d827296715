#include "scene/node_fields.h"

#include <algorithm>
#include <bit>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace qx {

namespace {

template <class F>
constexpr bool Kept() {
  return (F::tags & (kFieldTree | kFieldShared)) == 0;
}

template <class F, FieldScope S>
constexpr bool Compared() {
  return Kept<F>() && (S == FieldScope::kWhole || (F::tags & kFieldView) == 0);
}

template <class F>
constexpr bool Pasted() {
  return Kept<F>() && (F::tags & (kFieldView | kFieldIdentity | kFieldNoPaste)) == 0;
}

template <class T>
struct IsRecordArray : std::false_type {};
template <>
struct IsRecordArray<std::vector<TVertex>> : std::true_type {};
template <>
struct IsRecordArray<std::vector<TTriangle>> : std::true_type {};

// A vector of element records may be assigned whole only when a snapshot
// keeps every field of the element.
template <class Record>
constexpr bool SnapshotKeepsEveryField() {
  bool all = true;
  ForEachField<Record>([&](auto f) { all = all && Kept<decltype(f)>(); });
  return all;
}
static_assert(SnapshotKeepsEveryField<TVertex>() && SnapshotKeepsEveryField<TTriangle>());

// Floats by their bits: a copy must give back -0 and NaN payloads, and NaN
// must count as equal to itself.
bool SameValue(float a, float b) {
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}
bool SameValue(const Vector& a, const Vector& b) {
  return SameValue(a.x, b.x) && SameValue(a.y, b.y) && SameValue(a.z, b.z);
}
template <size_t N>
bool SameValue(const float (&a)[N], const float (&b)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (!SameValue(a[i], b[i])) return false;
  return true;
}
template <class T>
requires std::is_integral_v<T>
bool SameValue(T a, T b) {
  return a == b;
}
bool SameValue(const std::string& a, const std::string& b) {
  return a == b;
}

template <FieldScope S, class Record>
bool SameRecord(const Record& a, const Record& b) {
  bool same = true;
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    if constexpr (Compared<F, S>()) {
      if (!same) return;
      const auto& x = a.*F::member;
      const auto& y = b.*F::member;
      if constexpr (IsRecordArray<std::decay_t<decltype(x)>>::value) {
        same = x.size() == y.size();
        for (size_t i = 0; same && i < x.size(); ++i) same = SameRecord<S>(x[i], y[i]);
      } else {
        same = SameValue(x, y);
      }
    }
  });
  return same;
}

template <class Record>
uint8_t KindBetween(const Record& a, const Record& b) {
  uint8_t kind = 0;
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    if constexpr (Compared<F, FieldScope::kDocument>()) {
      const auto& x = a.*F::member;
      const auto& y = b.*F::member;
      if constexpr (IsRecordArray<std::decay_t<decltype(x)>>::value) {
        if (x.size() != y.size()) {
          kind |= F::change;
          return;
        }
        for (size_t i = 0; i < x.size(); ++i) kind |= KindBetween(x[i], y[i]);
      } else if (!SameValue(x, y)) {
        kind |= F::change;
      }
    }
  });
  return kind;
}

template <class T>
void CopyValue(const T& from, T& to) {
  if constexpr (std::is_array_v<T>)
    std::copy(std::begin(from), std::end(from), std::begin(to));
  else
    to = from;
}

template <class Record>
void CopyRecord(const Record& from, Record& to) {
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    if constexpr (Kept<F>()) CopyValue(from.*F::member, to.*F::member);
  });
}

template <class Record>
void PasteRecord(const Record& from, Record& to, uint8_t family) {
  ForEachField<Record>([&](auto f) {
    using F = decltype(f);
    if constexpr (Pasted<F>()) {
      if ((F::families & family) == 0) return;
      const auto& x = from.*F::member;
      auto& y = to.*F::member;
      if constexpr (IsRecordArray<std::decay_t<decltype(x)>>::value) {
        y.resize(x.size());
        for (size_t i = 0; i < x.size(); ++i) PasteRecord(x[i], y[i], kFamilyAll);
      } else {
        CopyValue(x, y);
      }
    }
  });
}

}  // namespace

bool SameBits(const Vector& a, const Vector& b) {
  return SameValue(a, b);
}

bool SameFields(const TSector& a, const TSector& b, FieldScope scope) {
  return scope == FieldScope::kWhole ? SameRecord<FieldScope::kWhole>(a, b)
                                     : SameRecord<FieldScope::kDocument>(a, b);
}

bool SameLabel(const TSector& a, const TSector& b) {
  bool same = true;
  ForEachField<TSector>([&](auto f) {
    using F = decltype(f);
    if constexpr ((F::tags & kFieldLabel) != 0) same = same && SameValue(a.*F::member, b.*F::member);
  });
  return same;
}

uint8_t ChangeKindBetween(const TSector& a, const TSector& b) {
  return KindBetween(a, b);
}

void CopyFields(const TSector& from, TSector& to) {
  CopyRecord(from, to);
}

void CopyFieldsForPaste(const TSector& from, TSector& to) {
  PasteRecord(from, to, FamilyOf(from.NodeType));
}

void ReserveFields(const TSector& from, TSector& to) {
  ForEachField<TSector>([&](auto f) {
    using F = decltype(f);
    if constexpr (Kept<F>()) {
      using T = std::decay_t<decltype(from.*F::member)>;
      if constexpr (std::is_same_v<T, std::string> || IsRecordArray<T>::value)
        (to.*F::member).reserve((from.*F::member).size());
    }
  });
}

}  // namespace qx
