// The IUnknown of the hand-written COM objects: one identity, only the listed interfaces, and
// deletion exactly when the last reference goes, whichever thread drops it.
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "win/com_object_win.h"

namespace kavro::win {
namespace {

class TwoFaced final : public ComObject<IDropSource, IMessageFilter> {
 public:
  explicit TwoFaced(bool* deleted) : deleted_(deleted) {}
  ~TwoFaced() override { *deleted_ = true; }

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return S_OK; }
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return 0; }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return 0; }

 private:
  bool* deleted_;
};

TEST(ComObject, AnswersItsInterfacesWithOneIdentityAndNothingElse) {
  bool deleted = false;
  {
    auto object = MakeCom<TwoFaced>(&deleted);
    Microsoft::WRL::ComPtr<IMessageFilter> filter;
    Microsoft::WRL::ComPtr<IUnknown> viaSource, viaFilter;
    Microsoft::WRL::ComPtr<IDropTarget> none;
    ASSERT_EQ(object.As(&filter), S_OK);
    EXPECT_EQ(static_cast<void*>(filter.Get()), static_cast<IMessageFilter*>(object.Get()));
    ASSERT_EQ(object.As(&viaSource), S_OK);
    ASSERT_EQ(filter.As(&viaFilter), S_OK);
    EXPECT_EQ(viaSource.Get(), viaFilter.Get());
    EXPECT_EQ(object.As(&none), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  }
  EXPECT_TRUE(deleted);
}

TEST(ComObject, CountsReferencesTakenOnManyThreads) {
  bool deleted = false;
  auto object = MakeCom<TwoFaced>(&deleted);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([raw = object.Get()] {
      for (int i = 0; i < 20000; ++i) {
        raw->AddRef();
        raw->Release();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(deleted);
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  object.Reset();
  EXPECT_TRUE(deleted);
}

}  // namespace
}  // namespace kavro::win
