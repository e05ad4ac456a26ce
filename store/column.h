#pragma once
// An array the index either owns or only views (in a mapped index file, kept
// alive by the index): reading never copies; the first change makes it owned.
#include <cstddef>
#include <span>

namespace quillmark {

template <class Owned> class Column {
public:
    using value_type = typename Owned::value_type;

    std::size_t size() const { return m_pView ? m_nView : m_owned.size(); }
    bool empty() const { return size() == 0; }
    const value_type* data() const { return m_pView ? m_pView : m_owned.data(); }
    const value_type& operator[](std::size_t i) const { return data()[i]; }
    const value_type* begin() const { return data(); }
    const value_type* end() const { return data() + size(); }
    std::span<const value_type> View() const { return {data(), size()}; }

    // The owned array, made from the view first when there is one.
    Owned& Own()
    {
        if (m_pView) {
            m_owned.assign(m_pView, m_pView + m_nView);
            m_pView = nullptr;
            m_nView = 0;
        }
        return m_owned;
    }
    void Clear()
    {
        m_pView = nullptr;
        m_nView = 0;
        m_owned.clear();
    }
    // Views `count` elements at `first`, which must outlive the view.
    void SetView(const value_type* first, std::size_t count)
    {
        m_owned = Owned();
        m_pView = first;
        m_nView = count;
    }

private:
    const value_type* m_pView = nullptr;
    std::size_t m_nView = 0;
    Owned m_owned;
};

} // namespace quillmark
