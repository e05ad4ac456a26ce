#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "platform/com/classfactory.h"
#include "platform/com/comobject.h"
#include "platform/com/dispatch.h"
#include "platform/com/enumstring.h"
#include "platform/com/taskmem.h"

namespace {

struct IShape : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{1A000001-0000-4000-8000-000000000001}");
    virtual int Corners() = 0;
};
struct ISquare : IShape {
    using Base = IShape;
    static constexpr IID Iid = GuidLiteral("{1A000002-0000-4000-8000-000000000001}");
    virtual int Side() = 0;
};
struct IColour : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{1A000003-0000-4000-8000-000000000001}");
    virtual int Rgb() = 0;
};
struct INever : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{1A000004-0000-4000-8000-000000000001}");
};

class Tile final : public ComObject<ISquare, IColour> {
public:
    explicit Tile(bool* destroyed = nullptr) : m_pDestroyed(destroyed) {}
    ~Tile() override
    {
        if (m_pDestroyed) *m_pDestroyed = true;
    }
    int Corners() override { return 4; }
    int Side() override { return 7; }
    int Rgb() override { return 0xFF0000; }

private:
    bool* m_pDestroyed;
};

template <class I>
ComPtr<I> Query(IUnknown* object)
{
    ComPtr<I> out;
    EXPECT_EQ(out.QueryFrom(object), S_OK);
    return out;
}

TEST(ComObject, QueryInterfaceFollowsTheIdentityRules)
{
    ComPtr<Tile> tile = MakeComObject<Tile>();
    ComPtr<ISquare> square = Query<ISquare>(static_cast<ISquare*>(tile.Get()));
    ComPtr<IColour> colour = Query<IColour>(square.Get());
    ComPtr<IShape> shape = Query<IShape>(colour.Get());  // parent interface of a listed one
    ASSERT_TRUE(square && colour && shape);
    EXPECT_EQ(shape->Corners(), 4);
    EXPECT_EQ(colour->Rgb(), 0xFF0000);

    // Identity: IUnknown is the same pointer whichever interface is asked.
    ComPtr<IUnknown> u1 = Query<IUnknown>(square.Get());
    ComPtr<IUnknown> u2 = Query<IUnknown>(colour.Get());
    ComPtr<IUnknown> u3 = Query<IUnknown>(shape.Get());
    EXPECT_EQ(u1.Get(), u2.Get());
    EXPECT_EQ(u1.Get(), u3.Get());
    EXPECT_TRUE(IsSameObject(square.Get(), colour.Get()));
    // Reflexive: an interface answers for itself.
    EXPECT_EQ(Query<IColour>(colour.Get()).Get(), colour.Get());
    // Symmetric and transitive: back from colour to square gives the same square.
    EXPECT_EQ(Query<ISquare>(Query<IColour>(square.Get()).Get()).Get(), square.Get());

    // A missing interface: E_NOINTERFACE and a null out pointer.
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(square->QueryInterface(INever::Iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(square->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(square->QueryInterface(ISquare::Iid, nullptr), E_POINTER);
    EXPECT_FALSE(square.As<INever>());
}

TEST(ComObject, ReferenceCountsAndDestruction)
{
    bool destroyed = false;
    Tile* raw = new Tile(&destroyed);
    EXPECT_EQ(raw->RefCount(), 0u);
    EXPECT_EQ(raw->AddRef(), 1u);
    {
        ComPtr<Tile> held(raw);
        EXPECT_EQ(raw->RefCount(), 2u);
        ComPtr<IColour> colour = held.As<IColour>();
        EXPECT_EQ(raw->RefCount(), 3u);
        ComPtr<IColour> copy = colour;
        EXPECT_EQ(raw->RefCount(), 4u);
        ComPtr<IColour> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(raw->RefCount(), 4u);
        IColour* detached = moved.Detach();
        EXPECT_EQ(raw->RefCount(), 4u);
        ComPtr<IColour> attached;
        attached.Attach(detached);  // takes the reference over
        EXPECT_EQ(raw->RefCount(), 4u);
    }
    EXPECT_EQ(raw->RefCount(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST(ComObject, ComPtrOutParametersReleaseWhatTheyHeld)
{
    bool firstGone = false, secondGone = false;
    ComPtr<IColour> slot = MakeComObject<Tile>(&firstGone).As<IColour>();
    ComPtr<Tile> second = MakeComObject<Tile>(&secondGone);
    // operator& releases the old object before handing out the slot.
    EXPECT_EQ(second->QueryInterface(IColour::Iid, reinterpret_cast<void**>(&slot)), S_OK);
    EXPECT_TRUE(firstGone);
    EXPECT_EQ(second->RefCount(), 2u);
    IColour* copied = nullptr;
    EXPECT_EQ(slot.CopyTo(&copied), S_OK);
    EXPECT_EQ(second->RefCount(), 3u);
    copied->Release();
    EXPECT_EQ(slot.CopyTo(nullptr), E_POINTER);
    slot = nullptr;
    second.Reset();
    EXPECT_TRUE(secondGone);
    // An empty pointer answers E_POINTER instead of crashing.
    ComPtr<IColour> empty;
    ComPtr<ISquare> none;
    EXPECT_EQ(empty.As(none), E_POINTER);
    EXPECT_EQ(none.QueryFrom(nullptr), E_POINTER);
}

TEST(ComObject, ClassFactoryCreatesAndCountsLocks)
{
    std::atomic<long> locks{0};
    ComPtr<ClassFactory> factory = MakeComObject<ClassFactory>(&CreateComObject<Tile>, &locks);
    ComPtr<IClassFactory> cf = factory.As<IClassFactory>();
    ASSERT_TRUE(cf);

    ComPtr<IColour> colour;
    EXPECT_EQ(cf->CreateInstance(nullptr, IColour::Iid, reinterpret_cast<void**>(&colour)), S_OK);
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->Rgb(), 0xFF0000);

    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(cf->CreateInstance(colour.Get(), IColour::Iid, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(cf->CreateInstance(nullptr, INever::Iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(cf->CreateInstance(nullptr, IColour::Iid, nullptr), E_POINTER);

    // The live factory holds one lock itself; LockServer adds to it.
    EXPECT_EQ(locks.load(), 1);
    EXPECT_EQ(cf->LockServer(true), S_OK);
    EXPECT_EQ(cf->LockServer(true), S_OK);
    EXPECT_EQ(locks.load(), 3);
    EXPECT_EQ(cf->LockServer(false), S_OK);
    EXPECT_EQ(locks.load(), 2);
    EXPECT_EQ(cf->LockServer(false), S_OK);
    // An unlock without a matching lock never takes the count below the factory's own.
    EXPECT_EQ(cf->LockServer(false), E_UNEXPECTED);
    EXPECT_EQ(locks.load(), 1);
    cf.Reset();
    factory.Reset();
    EXPECT_EQ(locks.load(), 0);

    ComPtr<ClassFactory> throwing = MakeComObject<ClassFactory>([](REFIID, void**) -> HRESULT { throw 1; });
    EXPECT_EQ(throwing->CreateInstance(nullptr, IColour::Iid, &out), E_UNEXPECTED);
}

std::vector<std::string> Take(IEnumString* e, ULONG count, HRESULT expected)
{
    std::vector<char*> slots(count ? count : 1, nullptr);
    ULONG fetched = 99;
    EXPECT_EQ(e->Next(count, slots.data(), &fetched), expected);
    std::vector<std::string> got;
    for (ULONG i = 0; i < fetched; ++i) {
        got.emplace_back(slots[i]);
        CoTaskMemFree(slots[i]);
    }
    return got;
}

TEST(ComEnumString, NextSkipResetClone)
{
    ComPtr<IEnumString> e = MakeComObject<StringEnumerator>(std::vector<std::string>{"alpha", "Beta", "gämma"}).As<IEnumString>();
    ASSERT_TRUE(e);
    EXPECT_EQ(Take(e.Get(), 2, S_OK), (std::vector<std::string>{"alpha", "Beta"}));

    ComPtr<IEnumString> clone;
    EXPECT_EQ(e->Clone(&clone), S_OK);
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
    EXPECT_EQ(Take(e.Get(), 5, S_FALSE), (std::vector<std::string>{"gämma"}));
    EXPECT_TRUE(Take(e.Get(), 1, S_FALSE).empty());
    // The clone kept the position it had.
    EXPECT_EQ(Take(clone.Get(), 1, S_OK), (std::vector<std::string>{"gämma"}));

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    EXPECT_EQ(Take(e.Get(), 1, S_OK), (std::vector<std::string>{"Beta"}));
    EXPECT_EQ(e->Skip(5), S_FALSE);
    EXPECT_TRUE(Take(e.Get(), 1, S_FALSE).empty());

    // Several at once need a place for the count.
    char* slots[2] = {};
    EXPECT_EQ(e->Next(2, slots, nullptr), E_INVALIDARG);

    e->Reset();
    EXPECT_EQ(ReadAllStrings(e.Get()), (std::vector<std::string>{"alpha", "Beta", "gämma"}));
    EXPECT_TRUE(ReadAllStrings(nullptr).empty());
}

TEST(ComTaskMem, AllocatesCopiesAndFrees)
{
    char* copy = CoTaskMemStrDup("tägs");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "tägs");
    copy = static_cast<char*>(CoTaskMemRealloc(copy, 64));
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "tägs");
    CoTaskMemFree(copy);
    CoTaskMemFree(nullptr);
    void* block = CoTaskMemAlloc(0);
    EXPECT_NE(block, nullptr);
    CoTaskMemFree(block);
}

} // namespace
