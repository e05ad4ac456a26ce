#include "platform/com/dispparams.h"

DispParams DispParams::FromArgs(std::initializer_list<Variant> callOrder)
{
    DispParams params;
    params.args.assign(std::rbegin(callOrder), std::rend(callOrder));
    return params;
}

DispParams DispParams::FromArgs(const std::vector<Variant>& callOrder)
{
    DispParams params;
    params.args.assign(callOrder.rbegin(), callOrder.rend());
    return params;
}

DispParams DispParams::PropertyPut(Variant value, const std::vector<Variant>& indexArgs)
{
    DispParams params;
    params.args.push_back(std::move(value));
    params.args.insert(params.args.end(), indexArgs.rbegin(), indexArgs.rend());
    params.namedArgs.push_back(DISPID_PROPERTYPUT);
    return params;
}

Variant* DispParams::Positional(std::uint32_t index)
{
    if (NamedCount() > Count() || index >= PositionalCount()) return nullptr;
    return &args[Count() - 1 - index];
}

const Variant* DispParams::Positional(std::uint32_t index) const
{
    return const_cast<DispParams*>(this)->Positional(index);
}

Variant* DispParams::Named(DISPID dispId)
{
    for (std::size_t i = 0; i < namedArgs.size() && i < args.size(); ++i)
        if (namedArgs[i] == dispId) return &args[i];
    return nullptr;
}

HRESULT DispParams::GetParam(std::uint32_t index, VARTYPE vt, Variant& out, DISPID dispId,
                             std::uint32_t* argErr) const
{
    const Variant* arg = nullptr;
    if (dispId != DISPID_UNKNOWN) arg = const_cast<DispParams*>(this)->Named(dispId);
    if (!arg) arg = Positional(index);
    if (!arg || arg->IsMissing()) return DISP_E_PARAMNOTFOUND;
    HRESULT hr = arg->ConvertTo(vt, out);
    if (FAILED(hr) && argErr) *argErr = static_cast<std::uint32_t>(arg - args.data());
    return hr;
}
