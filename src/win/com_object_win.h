#pragma once
// IUnknown for the COM objects written by hand: a class derives from ComObject<I1, I2, ...>
// and implements only the methods of its interfaces.
//
// Contract: an object starts with one reference, owned by whoever made it (MakeCom hands it to
// a ComPtr). The count is atomic, so references may be taken and dropped on any thread; the
// object deletes itself when the last one goes. QueryInterface answers IUnknown and each listed
// interface (matched by its __uuidof), plus what OtherInterface gives for the rest (the base
// interfaces of a listed one, such as IOleWindow under IOleInPlaceSite).
#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <utility>

namespace kavro::win {

template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = Find(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  // The interface pointer for an `iid` that is not listed, or nullptr (not AddRef'd).
  virtual void* OtherInterface(REFIID) { return nullptr; }

 private:
  template <typename I>
  void* As(REFIID iid) {
    return iid == __uuidof(I) ? static_cast<I*>(this) : nullptr;
  }
  void* Find(REFIID iid) {
    // IUnknown is the first interface's: one identity for every query.
    if (iid == __uuidof(IUnknown)) return static_cast<IUnknown*>(static_cast<First*>(this));
    void* found = As<First>(iid);
    ((found = found ? found : As<Rest>(iid)), ...);
    return found ? found : OtherInterface(iid);
  }

  std::atomic<ULONG> refs_{1};
};

// A new object of type T in a ComPtr that owns its first reference. Throws what `new` throws.
template <typename T, typename... Args>
Microsoft::WRL::ComPtr<T> MakeCom(Args&&... args) {
  Microsoft::WRL::ComPtr<T> object;
  // Not Attach: mingw's takes a reference of its own.
  *object.GetAddressOf() = new T(std::forward<Args>(args)...);
  return object;
}

}  // namespace kavro::win
