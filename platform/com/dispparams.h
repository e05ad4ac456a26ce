#pragma once
// DispParams: the arguments of an IDispatch::Invoke call, laid out as
// automation lays them out: named arguments first (in `args[0..]`, matching
// `namedArgs`), then the positional arguments LAST FIRST. A property put passes
// its value as the single named argument DISPID_PROPERTYPUT.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/com/variant.h"

struct DispParams {
    std::vector<Variant> args;       // named ones first, then positional ones last-first
    std::vector<DISPID> namedArgs;  // dispatch ids of the first namedArgs.size() entries of args

    DispParams() = default;

    // Positional arguments given in call order (first argument first); they are
    // stored reversed.
    static DispParams FromArgs(std::initializer_list<Variant> callOrder);
    static DispParams FromArgs(const std::vector<Variant>& callOrder);
    // The block of a property put: `value` named DISPID_PROPERTYPUT, after the
    // property's own index arguments (call order), if any.
    static DispParams PropertyPut(Variant value, const std::vector<Variant>& indexArgs = {});

    std::uint32_t Count() const { return static_cast<std::uint32_t>(args.size()); }
    std::uint32_t NamedCount() const { return static_cast<std::uint32_t>(namedArgs.size()); }
    std::uint32_t PositionalCount() const { return Count() - NamedCount(); }

    // The positional argument at call position `index` (0 = first), or null.
    Variant* Positional(std::uint32_t index);
    const Variant* Positional(std::uint32_t index) const;
    // The named argument with that dispatch id, or null.
    Variant* Named(DISPID dispId);

    // Reads an argument as DispGetParam does: the named argument `dispId` if one
    // was passed (pass DISPID_UNKNOWN to skip that), else the positional argument
    // at `index`, converted to `vt`. DISP_E_PARAMNOTFOUND when it is absent or
    // passed as missing, the conversion's code when it does not convert
    // (`argErr`, when given, then receives the argument's place in `args`).
    HRESULT GetParam(std::uint32_t index, VARTYPE vt, Variant& out, DISPID dispId = DISPID_UNKNOWN,
                     std::uint32_t* argErr = nullptr) const;
};
