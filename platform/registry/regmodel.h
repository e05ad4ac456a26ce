#pragma once
// The registry held in memory: three roots, each a tree of keys with typed values.
// Key and value names compare without regard to (ASCII) case and keep the case
// they were created with.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillmark::registry {

// Value types, numbered as the Windows registry numbers them.
enum RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

enum class RegRoot { LocalMachine, ClassesRoot, CurrentUser };
inline constexpr RegRoot kAllRoots[] = {RegRoot::LocalMachine, RegRoot::ClassesRoot,
                                        RegRoot::CurrentUser};

// "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER".
const char* RootName(RegRoot root);
// The root named `name` (full names, any case).
std::optional<RegRoot> RootFromName(std::string_view name);

// One typed value. REG_SZ and REG_EXPAND_SZ keep UTF-8 text in `text`, REG_DWORD its number
// in `dword`; any other type keeps its bytes in `raw`, so that it survives a rewrite.
struct RegValue {
    std::uint32_t type = REG_SZ;
    std::string text;
    std::uint32_t dword = 0;
    std::string raw;

    static RegValue String(std::string s) { return {REG_SZ, std::move(s), 0, {}}; }
    static RegValue ExpandString(std::string s) { return {REG_EXPAND_SZ, std::move(s), 0, {}}; }
    static RegValue DWord(std::uint32_t n) { return {REG_DWORD, {}, n, {}}; }
    bool IsText() const { return type == REG_SZ || type == REG_EXPAND_SZ; }
    bool operator==(const RegValue&) const = default;
};

bool EqualNoCase(std::string_view a, std::string_view b);

// A name fit for a key or value: valid UTF-8 without control characters
// (key names additionally without "\").
bool IsValidName(std::string_view name, bool bKeyName);

// How deep keys may nest below a root, as in the Windows registry.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Splits "A\B\C" into its names. Leading and trailing "\" are ignored; an empty
// path gives no names. False when a name is empty ("A\\B") or not valid, or when
// the path is deeper than kMaxKeyDepth.
bool SplitKeyPath(std::string_view path, std::vector<std::string>& names);

class RegKeyNode {
public:
    using ValueList = std::vector<std::pair<std::string, RegValue>>;
    using KeyList = std::vector<std::unique_ptr<RegKeyNode>>;

    explicit RegKeyNode(std::string strName) : m_strName(std::move(strName)) {}
    RegKeyNode(const RegKeyNode& other);
    RegKeyNode& operator=(const RegKeyNode&) = delete;

    const std::string& Name() const { return m_strName; }

    RegKeyNode* FindSubKey(std::string_view name);
    const RegKeyNode* FindSubKey(std::string_view name) const;
    // The existing subkey `name`, or a new one (appended) when there is none.
    RegKeyNode& CreateSubKey(std::string_view name, bool* pbCreated = nullptr);
    // Removes the subkey with all it holds; false when absent.
    bool RemoveSubKey(std::string_view name);
    const KeyList& SubKeys() const { return m_vecSubKeys; }

    // Value names: "" is the key's default value.
    const RegValue* FindValue(std::string_view name) const;
    // Replaces an existing value (keeping its name's case) or appends a new one.
    void SetValue(std::string_view name, RegValue value);
    bool RemoveValue(std::string_view name);
    const ValueList& Values() const { return m_vecValues; }

private:
    // Positions by ASCII-lower-cased name, so that a key with many values or
    // subkeys is filled in linear time.
    using NameIndex = std::unordered_map<std::string, std::size_t>;
    static std::string IndexName(std::string_view name);
    void ReindexValues();
    void ReindexSubKeys();

    std::string m_strName;
    ValueList m_vecValues;
    KeyList m_vecSubKeys;
    NameIndex m_mapValues;
    NameIndex m_mapSubKeys;
};

class RegistryModel {
public:
    RegistryModel();
    RegistryModel(const RegistryModel& other);
    RegistryModel& operator=(const RegistryModel& other);

    RegKeyNode& Root(RegRoot root) { return *m_arrRoots[Index(root)]; }
    const RegKeyNode& Root(RegRoot root) const { return *m_arrRoots[Index(root)]; }

    // nullptr when the path is invalid or the key absent. An empty path is the root itself.
    RegKeyNode* FindKey(RegRoot root, std::string_view path);
    const RegKeyNode* FindKey(RegRoot root, std::string_view path) const;
    // Creates the key and its missing parents; nullptr when the path is invalid.
    RegKeyNode* CreateKey(RegRoot root, std::string_view path, bool* pbCreated = nullptr);
    // Removes the key with its whole subtree; false when absent, invalid or a root.
    bool DeleteKey(RegRoot root, std::string_view path);

private:
    static size_t Index(RegRoot root) { return static_cast<size_t>(root); }
    std::unique_ptr<RegKeyNode> m_arrRoots[3];
};

} // namespace quillmark::registry
