#include "platform/registry/regmodel.h"

#include "platform/registry/regtext.h"

#include <algorithm>

namespace quillmark::registry {

const char* RootName(RegRoot root)
{
    switch (root) {
    case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    }
    return "";
}

std::optional<RegRoot> RootFromName(std::string_view name)
{
    for (RegRoot root : kAllRoots)
        if (EqualNoCase(name, RootName(root)))
            return root;
    return std::nullopt;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsValidName(std::string_view name, bool bKeyName)
{
    if (!IsValidUtf8(name))
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || (bKeyName && c == '\\'))
            return false;
    return true;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string>& names)
{
    names.clear();
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view name = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (name.empty() || !IsValidName(name, true) || names.size() == kMaxKeyDepth)
            return false;
        names.emplace_back(name);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

RegKeyNode::RegKeyNode(const RegKeyNode& other)
    : m_strName(other.m_strName), m_vecValues(other.m_vecValues), m_mapValues(other.m_mapValues),
      m_mapSubKeys(other.m_mapSubKeys)
{
    m_vecSubKeys.reserve(other.m_vecSubKeys.size());
    for (const auto& sub : other.m_vecSubKeys)
        m_vecSubKeys.push_back(std::make_unique<RegKeyNode>(*sub));
}

std::string RegKeyNode::IndexName(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return lower;
}

void RegKeyNode::ReindexValues()
{
    m_mapValues.clear();
    for (std::size_t i = 0; i < m_vecValues.size(); ++i)
        m_mapValues.emplace(IndexName(m_vecValues[i].first), i);
}

void RegKeyNode::ReindexSubKeys()
{
    m_mapSubKeys.clear();
    for (std::size_t i = 0; i < m_vecSubKeys.size(); ++i)
        m_mapSubKeys.emplace(IndexName(m_vecSubKeys[i]->Name()), i);
}

RegKeyNode* RegKeyNode::FindSubKey(std::string_view name)
{
    return const_cast<RegKeyNode*>(std::as_const(*this).FindSubKey(name));
}

const RegKeyNode* RegKeyNode::FindSubKey(std::string_view name) const
{
    auto it = m_mapSubKeys.find(IndexName(name));
    return it == m_mapSubKeys.end() ? nullptr : m_vecSubKeys[it->second].get();
}

RegKeyNode& RegKeyNode::CreateSubKey(std::string_view name, bool* pbCreated)
{
    if (RegKeyNode* existing = FindSubKey(name)) {
        if (pbCreated)
            *pbCreated = false;
        return *existing;
    }
    m_mapSubKeys.emplace(IndexName(name), m_vecSubKeys.size());
    m_vecSubKeys.push_back(std::make_unique<RegKeyNode>(std::string(name)));
    if (pbCreated)
        *pbCreated = true;
    return *m_vecSubKeys.back();
}

bool RegKeyNode::RemoveSubKey(std::string_view name)
{
    auto it = m_mapSubKeys.find(IndexName(name));
    if (it == m_mapSubKeys.end())
        return false;
    m_vecSubKeys.erase(m_vecSubKeys.begin() + static_cast<std::ptrdiff_t>(it->second));
    ReindexSubKeys();
    return true;
}

const RegValue* RegKeyNode::FindValue(std::string_view name) const
{
    auto it = m_mapValues.find(IndexName(name));
    return it == m_mapValues.end() ? nullptr : &m_vecValues[it->second].second;
}

void RegKeyNode::SetValue(std::string_view name, RegValue value)
{
    auto [it, bNew] = m_mapValues.emplace(IndexName(name), m_vecValues.size());
    if (bNew)
        m_vecValues.emplace_back(std::string(name), std::move(value));
    else
        m_vecValues[it->second].second = std::move(value);
}

bool RegKeyNode::RemoveValue(std::string_view name)
{
    auto it = m_mapValues.find(IndexName(name));
    if (it == m_mapValues.end())
        return false;
    m_vecValues.erase(m_vecValues.begin() + static_cast<std::ptrdiff_t>(it->second));
    ReindexValues();
    return true;
}

RegistryModel::RegistryModel()
{
    for (RegRoot root : kAllRoots)
        m_arrRoots[Index(root)] = std::make_unique<RegKeyNode>(RootName(root));
}

RegistryModel::RegistryModel(const RegistryModel& other)
{
    for (RegRoot root : kAllRoots)
        m_arrRoots[Index(root)] = std::make_unique<RegKeyNode>(other.Root(root));
}

RegistryModel& RegistryModel::operator=(const RegistryModel& other)
{
    if (this != &other)
        for (RegRoot root : kAllRoots)
            m_arrRoots[Index(root)] = std::make_unique<RegKeyNode>(other.Root(root));
    return *this;
}

RegKeyNode* RegistryModel::FindKey(RegRoot root, std::string_view path)
{
    return const_cast<RegKeyNode*>(std::as_const(*this).FindKey(root, path));
}

const RegKeyNode* RegistryModel::FindKey(RegRoot root, std::string_view path) const
{
    std::vector<std::string> names;
    if (!SplitKeyPath(path, names))
        return nullptr;
    const RegKeyNode* node = &Root(root);
    for (const auto& name : names)
        if (!(node = node->FindSubKey(name)))
            return nullptr;
    return node;
}

RegKeyNode* RegistryModel::CreateKey(RegRoot root, std::string_view path, bool* pbCreated)
{
    std::vector<std::string> names;
    if (pbCreated)
        *pbCreated = false;
    if (!SplitKeyPath(path, names))
        return nullptr;
    RegKeyNode* node = &Root(root);
    for (const auto& name : names) {
        bool bNew = false;
        node = &node->CreateSubKey(name, &bNew);
        if (bNew && pbCreated)
            *pbCreated = true;
    }
    return node;
}

bool RegistryModel::DeleteKey(RegRoot root, std::string_view path)
{
    std::vector<std::string> names;
    if (!SplitKeyPath(path, names) || names.empty())
        return false;
    std::string leaf = names.back();
    names.pop_back();
    RegKeyNode* parent = &Root(root);
    for (const auto& name : names)
        if (!(parent = parent->FindSubKey(name)))
            return false;
    return parent->RemoveSubKey(leaf);
}

} // namespace quillmark::registry
