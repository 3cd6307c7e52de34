#pragma once
// Late-bound automation: owners for BSTR and VARIANT, and one helper that calls any member of an
// IDispatch object by name, the way a script host would.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <exception>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace kavro::win {

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::wstring_view text);
  UniqueBstr(UniqueBstr&& other) noexcept;
  UniqueBstr& operator=(UniqueBstr&& other) noexcept;
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr();

  BSTR Get() const { return bstr_; }
  BSTR* Receive();  // frees the current string first
  BSTR Release();
  std::wstring Text() const;

 private:
  BSTR bstr_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&v_); }
  static UniqueVariant String(std::wstring_view text);
  static UniqueVariant Bool(bool value);
  UniqueVariant(UniqueVariant&& other) noexcept;
  UniqueVariant& operator=(UniqueVariant&& other) noexcept;
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&v_); }

  const VARIANT& Get() const { return v_; }
  const VARIANT* Ptr() const { return &v_; }
  VARIANT* Receive();  // clears the current value first
  VARTYPE Type() const { return v_.vt; }

  // The value converted as automation converts it; throws ComFailure when it cannot be.
  std::wstring AsString() const;
  bool AsBool() const;
  // The object held (VT_DISPATCH or VT_UNKNOWN that answers IDispatch); throws when none.
  Microsoft::WRL::ComPtr<IDispatch> AsDispatch() const;

 private:
  VARIANT v_;
};

// An automation call that failed: its HRESULT, and the error number and description that the
// server gave (EXCEPINFO), or the system's wording of the HRESULT.
class ComFailure : public std::exception {
 public:
  ComFailure(HRESULT hr, long number, std::wstring description)
      : hr_(hr), number_(number), description_(std::move(description)) {}
  explicit ComFailure(HRESULT hr);
  HRESULT Result() const { return hr_; }
  long Number() const { return number_; }
  const std::wstring& Description() const { return description_; }
  const char* what() const noexcept override { return "automation call failed"; }

 private:
  HRESULT hr_;
  long number_;
  std::wstring description_;
};

// Whether `hr` says the server is busy and the same call may succeed later.
bool IsBusyResult(HRESULT hr);
// Whether `hr` says the server process is gone or cut off.
bool IsDisconnectedResult(HRESULT hr);

enum class InvokeKind { Method, PropertyGet, PropertyPut };

struct CallPolicy {
  DWORD busyRetryMs = 60000;  // how long to keep retrying a call the server rejects as busy
  HANDLE cancel = nullptr;    // set: give up at once (RPC_E_CALL_CANCELED)
};

// Member ids learnt from one kind of object (one interface): objects of that kind share them,
// so a caller that knows its objects' kinds may skip GetIDsOfNames on later calls.
struct DispIdCache {
  std::map<std::wstring, DISPID, std::less<>> ids;
};

// Calls member `name` of `target`: GetIDsOfNames (unless `ids` knows the member), then Invoke with
// `args` in the member's order (a property put passes its value as the named DISPID_PROPERTYPUT
// argument). A call rejected because the server is busy is retried with a growing pause until
// `policy.busyRetryMs` passed. Throws ComFailure.
UniqueVariant Invoke(IDispatch* target, std::wstring_view name, InvokeKind kind,
                     std::initializer_list<const VARIANT*> args = {}, const CallPolicy& policy = {},
                     DispIdCache* ids = nullptr);

// Registers, for the calling single-threaded apartment, a message filter that retries calls
// the server rejects while busy for up to `retryMs` (Windows calls it; Wine does not).
// Returns false when the thread is not in a single-threaded apartment.
bool RegisterBusyServerFilter(DWORD retryMs);

}  // namespace kavro::win
