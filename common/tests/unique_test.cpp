#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Counts its references so a test sees every AddRef and Release.
class Counted final : public IUnknown {
public:
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ComPtr, EveryOperationKeepsTheCountRight) {
    Counted object;
    {
        auto first = tarn::com_ptr<IUnknown>::attach(&object);
        EXPECT_EQ(object.references, 1u);
        auto second = first.copy();
        EXPECT_EQ(object.references, 2u);
        auto moved = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_EQ(object.references, 2u);
        moved = std::move(first); // releases what moved held
        EXPECT_EQ(object.references, 1u);
        tarn::com_ptr<IUnknown> queried;
        ASSERT_EQ(moved.query(queried), S_OK);
        EXPECT_EQ(object.references, 2u);
        // put() releases before it hands out the address.
        IUnknown** slot = queried.put();
        EXPECT_EQ(*slot, nullptr);
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

TEST(UniqueVariant, PutAndDestructionClearTheValue) {
    Counted object;
    object.references = 2;
    {
        tarn::unique_variant value;
        EXPECT_EQ(value.get()->vt, VT_EMPTY);
        value.put()->vt = VT_UNKNOWN;
        value.get()->punkVal = &object;
        VARIANT* slot = value.put(); // clearing releases the object
        EXPECT_EQ(object.references, 1u);
        EXPECT_EQ(slot->vt, VT_EMPTY);
        slot->vt = VT_UNKNOWN;
        slot->punkVal = &object;
    }
    EXPECT_EQ(object.references, 0u);
}

TEST(Unique, KeysFilesAndStrings) {
    tarn::unique_hkey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()),
              ERROR_SUCCESS);
    EXPECT_TRUE(key);
    tarn::unique_hkey moved = std::move(key);
    EXPECT_FALSE(key);
    EXPECT_TRUE(moved);

    const tarn::unique_handle missing = tarn::adopt_file(::CreateFileW(
        L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);

    const std::wstring text(L"a\0b", 3); // an embedded NUL is kept
    const tarn::unique_bstr bstr = tarn::make_bstr(text);
    ASSERT_TRUE(bstr);
    EXPECT_EQ(::SysStringLen(bstr.get()), 3u);
    EXPECT_EQ(std::wstring(bstr.get(), 3), text);
}

// An in/out argument: the callee sees what is held, and what it puts back
// is owned afterwards.
TEST(UniqueAny, InOutLeavesTheValueForTheCallee) {
    tarn::unique_bstr value = tarn::make_bstr(std::wstring(L"old"));
    BSTR* slot = value.in_out();
    ASSERT_NE(*slot, nullptr);
    EXPECT_EQ(std::wstring(*slot), L"old");
    ASSERT_TRUE(::SysReAllocString(slot, L"new"));
    EXPECT_EQ(std::wstring(value.get()), L"new");
}

} // namespace
