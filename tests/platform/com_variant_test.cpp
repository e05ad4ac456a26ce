#include <gtest/gtest.h>

#include <limits>

#include "platform/com/dispatchtable.h"
#include "platform/com/dispparams.h"
#include "platform/com/variant.h"

namespace {

// A small automation object: "Value" property (get and put) and "Item"(name).
class Counter final : public DispatchObject<IDispatch> {
public:
    Counter()
    {
        m_dispatchTable.Add("Value", DISPID_VALUE, [this](std::uint16_t flags, DispParams& params, Variant* result) {
            if (flags & DISPATCH_PROPERTYPUT) {
                Variant value;
                HRESULT hr = params.GetParam(0, VT_BSTR, value, DISPID_PROPERTYPUT);
                if (FAILED(hr)) return hr;
                m_strValue = value.StrVal();
                return S_OK;
            }
            if (result) *result = Variant(m_strValue);
            return S_OK;
        });
        m_dispatchTable.Add("Item", 7, [](std::uint16_t, DispParams& params, Variant* result) {
            Variant name;
            HRESULT hr = params.GetParam(0, VT_BSTR, name);
            if (FAILED(hr)) return hr;
            if (name.StrVal() == "boom") throw ComError(E_ACCESSDENIED, "Item");
            if (result) *result = Variant("item:" + name.StrVal());
            return S_OK;
        });
        m_dispatchTable.Add("Declared", 9);  // known name, no handler
    }
    std::string m_strValue;
};

TEST(ComVariant, HoldsEachKindOfValue)
{
    EXPECT_EQ(Variant().Type(), VT_EMPTY);
    EXPECT_TRUE(Variant().IsEmpty());
    Variant missing = Variant::Missing();
    EXPECT_EQ(missing.Type(), VT_ERROR);
    EXPECT_EQ(missing.ErrorVal(), DISP_E_PARAMNOTFOUND);
    EXPECT_TRUE(missing.IsMissing());
    EXPECT_FALSE(Variant::Error(E_FAIL).IsMissing());

    EXPECT_EQ(Variant(true).Type(), VT_BOOL);
    EXPECT_EQ(Variant(true).BoolVal(), VARIANT_TRUE);
    EXPECT_EQ(Variant(false).BoolVal(), VARIANT_FALSE);
    EXPECT_EQ(Variant::FromVariantBool(1).BoolVal(), VARIANT_TRUE);
    EXPECT_EQ(Variant(std::int16_t{-3}).Type(), VT_I2);
    EXPECT_EQ(Variant(42).Type(), VT_I4);
    EXPECT_EQ(Variant(42u).Type(), VT_UI4);
    EXPECT_EQ(Variant(2.5).Type(), VT_R8);
    EXPECT_EQ(Variant("Keywords").Type(), VT_BSTR);
    EXPECT_EQ(Variant("Keywords").StrVal(), "Keywords");
    EXPECT_EQ(Variant(42).StrVal(), "");  // raw access of another type

    VARIANT_BOOL cancel = VARIANT_FALSE;
    Variant byRef = Variant::BoolRef(&cancel);
    EXPECT_EQ(byRef.Type(), VT_BOOL | VT_BYREF);
    Variant copy = byRef;
    *copy.BoolRefVal() = VARIANT_TRUE;  // writes through to the caller's flag
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_TRUE(byRef.ToBool());
}

TEST(ComVariant, ConvertsLikeChangeType)
{
    EXPECT_EQ(Variant("  -12 ").ToInt32(), -12);
    EXPECT_EQ(Variant("1e3").ToInt32(), 1000);
    EXPECT_EQ(Variant(2.5).ToInt32(), 2);   // half to even
    EXPECT_EQ(Variant(3.5).ToInt32(), 4);
    EXPECT_EQ(Variant(-2.5).ToInt32(), -2);
    EXPECT_EQ(Variant(true).ToInt32(), -1);
    EXPECT_EQ(Variant().ToInt32(), 0);
    EXPECT_EQ(Variant(std::int16_t{7}).ToDouble(), 7.0);
    EXPECT_EQ(Variant("1").ToInt16(), 1);
    EXPECT_EQ(Variant(4000000000u).ToDouble(), 4e9);

    EXPECT_TRUE(Variant(5).ToBool());
    EXPECT_FALSE(Variant(0.0).ToBool());
    EXPECT_TRUE(Variant("TRUE").ToBool());
    EXPECT_FALSE(Variant("false").ToBool());
    EXPECT_TRUE(Variant("-1").ToBool());

    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant(-7).ToString(), "-7");
    EXPECT_EQ(Variant(0.1).ToString(), "0.1");
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(Variant(std::int16_t{9}).ToString(), "9");

    Variant out = Variant(77);
    EXPECT_EQ(Variant("12abc").ConvertTo(VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out.I4Val(), 77);  // untouched on failure
    EXPECT_EQ(Variant("").ConvertTo(VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant("0x10").ConvertTo(VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant("nan").ConvertTo(VT_R8, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::Missing().ConvertTo(VT_BSTR, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::Missing().ConvertTo(VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant(40000).ConvertTo(VT_I2, out), DISP_E_OVERFLOW);
    EXPECT_EQ(Variant(-1).ConvertTo(VT_UI4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(Variant(1e20).ConvertTo(VT_I4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(Variant(1).ConvertTo(VT_DISPATCH, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant(1).ConvertTo(VT_BOOL | VT_BYREF, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant(1).ConvertTo(0x77, out), DISP_E_BADVARTYPE);

    try {
        (void)Variant("words").ToInt32();
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), DISP_E_TYPEMISMATCH);
    }

    Variant changing("15");
    EXPECT_EQ(changing.ChangeType(VT_I4), S_OK);
    EXPECT_EQ(changing.Type(), VT_I4);
    EXPECT_EQ(changing.I4Val(), 15);
    EXPECT_EQ(changing.ChangeType(VT_DISPATCH), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(changing.Type(), VT_I4);
}

TEST(ComVariant, NonFiniteAndHugeDoublesFailToBecomeIntegers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (VARTYPE vt : {VT_I2, VT_I4, VT_UI4}) {
        Variant out(std::int32_t(77));
        EXPECT_EQ(Variant(nan).ConvertTo(vt, out), DISP_E_TYPEMISMATCH) << vt;
        EXPECT_EQ(Variant(-nan).ConvertTo(vt, out), DISP_E_TYPEMISMATCH) << vt;
        EXPECT_EQ(Variant(inf).ConvertTo(vt, out), DISP_E_OVERFLOW) << vt;
        EXPECT_EQ(Variant(-inf).ConvertTo(vt, out), DISP_E_OVERFLOW) << vt;
        EXPECT_EQ(Variant(1e300).ConvertTo(vt, out), DISP_E_OVERFLOW) << vt;
        EXPECT_EQ(Variant(-1e300).ConvertTo(vt, out), DISP_E_OVERFLOW) << vt;
        EXPECT_EQ(out.I4Val(), 77) << vt;
    }
    // The edges still convert.
    EXPECT_EQ(Variant(4294967295.4).ToUInt32(), 4294967295u);
    EXPECT_EQ(Variant(-2147483648.0).ToInt32(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Variant(2147483647.5).ConvertTo(VT_I4, *std::make_unique<Variant>()), DISP_E_OVERFLOW);
    try {
        (void)Variant(nan).ToInt32();
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), DISP_E_TYPEMISMATCH);
    }
}

TEST(ComVariant, CopiesCountTheInterfacesTheyHold)
{
    ComPtr<Counter> counter = MakeComObject<Counter>();
    ASSERT_EQ(counter->RefCount(), 1u);
    {
        Variant held(static_cast<IDispatch*>(counter.Get()));
        EXPECT_EQ(held.Type(), VT_DISPATCH);
        EXPECT_EQ(counter->RefCount(), 2u);
        Variant copy = held;
        EXPECT_EQ(counter->RefCount(), 3u);
        Variant moved = std::move(copy);
        EXPECT_EQ(counter->RefCount(), 3u);
        EXPECT_TRUE(copy.IsEmpty());
        moved = Variant(5);  // assignment releases the object it held
        EXPECT_EQ(counter->RefCount(), 2u);

        // Conversions between the two object kinds query the object.
        ComPtr<IUnknown> unknown = held.ToUnknown();
        EXPECT_TRUE(IsSameObject(unknown.Get(), counter.Get()));
        Variant asUnknown(unknown.Get());
        EXPECT_EQ(asUnknown.Type(), VT_UNKNOWN);
        ComPtr<IDispatch> dispatch = asUnknown.ToDispatch();
        EXPECT_EQ(dispatch.Get(), static_cast<IDispatch*>(counter.Get()));
        EXPECT_EQ(held.ConvertTo(VT_I4, moved), DISP_E_TYPEMISMATCH);

        std::vector<Variant> many(3, held);
        // counter, held, unknown, asUnknown, dispatch and the three copies
        EXPECT_EQ(counter->RefCount(), 8u);
        many.clear();
        held.Clear();
        EXPECT_TRUE(held.IsEmpty());
    }
    EXPECT_EQ(counter->RefCount(), 1u);
    Variant nullObject(static_cast<IDispatch*>(nullptr));
    EXPECT_EQ(nullObject.Type(), VT_DISPATCH);
    EXPECT_FALSE(nullObject.ToDispatch());
}

TEST(ComDispParams, KeepsArgumentsLastFirstAndNamesThePutValue)
{
    DispParams params = DispParams::FromArgs({Variant("file.ppt"), Variant(3), Variant(4)});
    ASSERT_EQ(params.Count(), 3u);
    EXPECT_EQ(params.args[0].I4Val(), 4);  // the last argument comes first
    EXPECT_EQ(params.args[2].StrVal(), "file.ppt");
    EXPECT_EQ(params.Positional(0)->StrVal(), "file.ppt");
    EXPECT_EQ(params.Positional(2)->I4Val(), 4);
    EXPECT_EQ(params.Positional(3), nullptr);
    EXPECT_EQ(params.NamedCount(), 0u);

    DispParams put = DispParams::PropertyPut(Variant("a, b"));
    ASSERT_EQ(put.Count(), 1u);
    ASSERT_EQ(put.NamedCount(), 1u);
    EXPECT_EQ(put.namedArgs[0], DISPID_PROPERTYPUT);
    EXPECT_EQ(put.PositionalCount(), 0u);
    EXPECT_EQ(put.Named(DISPID_PROPERTYPUT)->StrVal(), "a, b");

    DispParams indexedPut = DispParams::PropertyPut(Variant("text"), {Variant(2)});
    EXPECT_EQ(indexedPut.args[0].StrVal(), "text");
    EXPECT_EQ(indexedPut.Positional(0)->I4Val(), 2);

    Variant out;
    EXPECT_EQ(params.GetParam(1, VT_BSTR, out), S_OK);
    EXPECT_EQ(out.StrVal(), "3");
    std::uint32_t argErr = 99;
    EXPECT_EQ(params.GetParam(0, VT_I4, out, DISPID_UNKNOWN, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 2u);  // its place in args
    EXPECT_EQ(params.GetParam(5, VT_I4, out), DISP_E_PARAMNOTFOUND);
    DispParams withMissing = DispParams::FromArgs({Variant::Missing()});
    EXPECT_EQ(withMissing.GetParam(0, VT_I4, out), DISP_E_PARAMNOTFOUND);
}

TEST(ComDispatchTable, FindsNamesWithoutCaseAndInvokesHandlers)
{
    ComPtr<Counter> counter = MakeComObject<Counter>();
    IDispatch* disp = counter.Get();
    const char* names[] = {"iTeM"};
    DISPID id = 0;
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 7);
    const char* unknown[] = {"Nope", "param"};
    DISPID ids[2] = {5, 5};
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, unknown, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    const char* item[] = {"Item"};
    EXPECT_EQ(disp->GetIDsOfNames(IDispatch::Iid, item, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    std::uint32_t typeInfos = 9;
    EXPECT_EQ(disp->GetTypeInfoCount(&typeInfos), S_OK);
    EXPECT_EQ(typeInfos, 0u);

    Variant result;
    EXPECT_EQ(InvokeByName(disp, "item", DISPATCH_PROPERTYGET, {Variant("Keywords")}, &result), S_OK);
    EXPECT_EQ(result.StrVal(), "item:Keywords");
    EXPECT_EQ(InvokeByName(disp, "Value", DISPATCH_PROPERTYPUT, {Variant("x, y")}, nullptr), S_OK);
    EXPECT_EQ(counter->m_strValue, "x, y");
    EXPECT_EQ(InvokeByName(disp, "VALUE", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.StrVal(), "x, y");
    EXPECT_EQ(InvokeByName(disp, "Missing", DISPATCH_PROPERTYGET, {}, &result), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(InvokeByName(nullptr, "Value", DISPATCH_PROPERTYGET, {}, &result), E_POINTER);
    EXPECT_EQ(InvokeByName(disp, "Item", DISPATCH_PROPERTYGET, {}, &result), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(InvokeByName(disp, "Declared", DISPATCH_METHOD, {}, &result), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(disp->Invoke(1234, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    // A member that throws: the error stays inside and comes back as DISP_E_EXCEPTION.
    DispParams boom = DispParams::FromArgs({Variant("boom")});
    ExcepInfo info;
    EXPECT_EQ(disp->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &boom, &result, &info, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, E_ACCESSDENIED);
}

} // namespace
