#pragma once
// Move-only owners for Win32 resources, one line per resource type.
#include <windows.h>

#include <utility>

namespace kavro::win {

template <typename T>
constexpr T NullOf() {
  return T{};
}
inline HANDLE InvalidHandle() { return INVALID_HANDLE_VALUE; }

template <typename T, auto Close, T (*InvalidOf)() = &NullOf<T>>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : value_(value) {}
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, InvalidOf())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.value_, InvalidOf()));
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { Reset(); }

  T Get() const { return value_; }
  explicit operator bool() const { return value_ != InvalidOf(); }
  T Release() { return std::exchange(value_, InvalidOf()); }
  void Reset(T value = InvalidOf()) {
    if (value_ != InvalidOf()) {
      Close(value_);
    }
    value_ = value;
  }

 private:
  T value_ = InvalidOf();
};

inline void CloseHandleNoResult(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyIconNoResult(HICON h) { ::DestroyIcon(h); }
inline void DestroyWindowNoResult(HWND h) { ::DestroyWindow(h); }
inline void FreeLibraryNoResult(HMODULE h) { ::FreeLibrary(h); }

using UniqueHandle = Unique<HANDLE, CloseHandleNoResult>;
using UniqueFile = Unique<HANDLE, CloseHandleNoResult, &InvalidHandle>;
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueIcon = Unique<HICON, DestroyIconNoResult>;
using UniqueWindow = Unique<HWND, DestroyWindowNoResult>;
using UniqueModule = Unique<HMODULE, FreeLibraryNoResult>;

}  // namespace kavro::win
