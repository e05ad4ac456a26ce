#include "ui/controls/autocomplete.h"

#include <algorithm>
#include <utility>

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStringListModel>

namespace quillmark {

namespace {

class AutoComplete final : public ComObject<IAutoComplete2> {
public:
    HRESULT Init(QLineEdit* pEdit, IUnknown* pEnumerator, const char*, const char*) override
    {
        if (!pEdit || !pEnumerator || m_pCompleter) return E_INVALIDARG;
        ComPtr<IEnumString> spSource;
        if (FAILED(spSource.QueryFrom(pEnumerator)) || !spSource) return E_INVALIDARG;
        m_spSource = spSource;
        m_pEdit = pEdit;
        m_pModel = new QStringListModel(pEdit);
        m_pCompleter = new QCompleter(m_pModel, pEdit);
        m_pCompleter->setCaseSensitivity(Qt::CaseInsensitive);
        m_pCompleter->setCompletionMode(QCompleter::PopupCompletion);
        m_pCompleter->setModelSorting(QCompleter::UnsortedModel);
        // The completer is driven here, not by the edit: the list shows what was
        // typed even after the inline append has lengthened the text.
        m_pCompleter->setWidget(pEdit);
        QObject::connect(m_pCompleter, qOverload<const QString&>(&QCompleter::activated), pEdit,
                         [pEdit](const QString& text) { pEdit->setText(text); });
        m_connection = QObject::connect(pEdit, &QLineEdit::textEdited, pEdit, [this](const QString& text) {
            OnTextEdited(text);
        });
        m_pFilter = new KeyFilter(*this);
        pEdit->installEventFilter(m_pFilter);
        m_pCompleter->popup()->installEventFilter(m_pFilter);
        ApplyOptions();
        return S_OK;
    }

    HRESULT Enable(bool bEnable) override
    {
        m_bEnabled = bEnable;
        ApplyOptions();
        return S_OK;
    }

    HRESULT SetOptions(DWORD options) override
    {
        m_dwOptions = options;
        ApplyOptions();
        return S_OK;
    }

    HRESULT GetOptions(DWORD* pOptions) override
    {
        if (!pOptions) return E_POINTER;
        *pOptions = m_dwOptions;
        return S_OK;
    }

protected:
    ~AutoComplete() override
    {
        if (m_pEdit) {
            QObject::disconnect(m_connection);
            m_pEdit->removeEventFilter(m_pFilter);
        }
        if (m_pCompleter) m_pCompleter->popup()->removeEventFilter(m_pFilter);
        delete m_pFilter;
        delete m_pCompleter;
        delete m_pModel;
    }

private:
    // Up and Down open the list when the options say so.
    class KeyFilter final : public QObject {
    public:
        explicit KeyFilter(AutoComplete& owner) : m_owner(owner) {}
        bool eventFilter(QObject* pWatched, QEvent* pEvent) override
        {
            if (pEvent->type() != QEvent::KeyPress) return false;
            const int key = static_cast<QKeyEvent*>(pEvent)->key();
            // Seen on the edit and on the open list (which hands typed keys on to the edit).
            m_owner.m_bDeleteKey = key == Qt::Key_Backspace || key == Qt::Key_Delete;
            if (pWatched != m_owner.m_pEdit) return false;
            if ((key == Qt::Key_Up || key == Qt::Key_Down) && (m_owner.m_dwOptions & ACO_UPDOWNKEYDROPSLIST) &&
                m_owner.m_bEnabled && m_owner.m_pCompleter && !m_owner.m_pCompleter->popup()->isVisible()) {
                m_owner.Refill();
                m_owner.Suggest(m_owner.m_pEdit->text());
                return true;
            }
            return false;
        }

    private:
        AutoComplete& m_owner;
    };

    void ApplyOptions()
    {
        if (m_pCompleter && !(m_bEnabled && (m_dwOptions & ACO_AUTOSUGGEST))) m_pCompleter->popup()->hide();
    }

    // The drop-down of the suggestions that begin with `prefix`; hidden when none does.
    void Suggest(const QString& prefix)
    {
        m_pCompleter->setCompletionPrefix(prefix);
        if (m_pCompleter->completionCount() > 0) m_pCompleter->complete();
        else m_pCompleter->popup()->hide();
    }

    // The suggestions as the source gives them now, from its beginning.
    void Refill()
    {
        m_spSource->Reset();
        QStringList items;
        for (const std::string& item : ReadAllStrings(m_spSource.Get())) items << QString::fromStdString(item);
        // Suggestions in case-insensitive order; equal ones keep the source's order.
        std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        if (items != m_pModel->stringList()) m_pModel->setStringList(items);
    }

    void OnTextEdited(const QString& text)
    {
        if (!m_bEnabled) return;
        Refill();
        // Typing grows the text; Backspace and Delete (of the appended part too) do not.
        const bool bGrew = !std::exchange(m_bDeleteKey, false) && !text.isEmpty();
        if (m_dwOptions & ACO_AUTOSUGGEST) {
            // Deleting closes the list: an open list would take the next click
            // elsewhere (on Search) only to close itself.
            if (text.isEmpty() || !bGrew) m_pCompleter->popup()->hide();
            else Suggest(text);
        }
        // Inline append: typing (not deleting) at the end completes to the first
        // suggestion, in the tag's own case. A text that is a tag already stays.
        if (!(m_dwOptions & ACO_AUTOAPPEND) || !bGrew || text.isEmpty() || m_pEdit->cursorPosition() != text.size())
            return;
        const QStringList items = m_pModel->stringList();
        for (const QString& item : items)
            if (item.compare(text, Qt::CaseInsensitive) == 0) return;
        for (const QString& item : items) {
            if (item.size() > text.size() && item.startsWith(text, Qt::CaseInsensitive)) {
                m_pEdit->setText(item);
                m_pEdit->setSelection(static_cast<int>(text.size()), static_cast<int>(item.size() - text.size()));
                break;
            }
        }
    }

    ComPtr<IEnumString> m_spSource;
    QPointer<QLineEdit> m_pEdit;
    QPointer<QCompleter> m_pCompleter;
    QPointer<QStringListModel> m_pModel;
    KeyFilter* m_pFilter = nullptr;
    QMetaObject::Connection m_connection;
    bool m_bDeleteKey = false; // the last key pressed deletes
    DWORD m_dwOptions = ACO_AUTOSUGGEST;
    bool m_bEnabled = true;
};

} // namespace

HRESULT CreateAutoComplete(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ComPtr<AutoComplete> spObject = MakeComObject<AutoComplete>();
    return spObject->QueryInterface(riid, ppv);
}

} // namespace quillmark
