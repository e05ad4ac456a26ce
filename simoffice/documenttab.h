#pragma once
// One open document in the host's window: its path, its slides (PowerPoint) and
// its built-in properties, which the user edits in place. Typing into a property
// writes it into the document at once (the document is then unsaved), as the
// add-in's writes through the object model do.
#include <QWidget>

#include <map>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;

namespace quillmark::simoffice {

class OfficeModel;
class SimDocument;

// The five built-in properties as line edits, in the document's order. The document
// is used only while `model` has it open.
class PropertiesForm : public QWidget {
public:
    // `bLive`: edits go into `doc` as they are typed; otherwise only by Apply.
    PropertiesForm(SimDocument& doc, const OfficeModel& model, bool bLive, QWidget* pParent = nullptr);
    // Shows the document's values (a field being typed into keeps its cursor).
    void Sync();
    void Apply();
    QLineEdit* Field(const std::string& name) const;

private:
    bool IsOpen() const;
    SimDocument& m_doc;
    const OfficeModel& m_model;
    std::map<std::string, QLineEdit*> m_mapFields;
};

class DocumentTab : public QWidget {
public:
    DocumentTab(SimDocument& doc, const OfficeModel& model, bool bSlides, QWidget* pParent = nullptr);
    SimDocument& Document() const { return m_doc; }
    // Shows the document as it is now.
    void Sync();
    QListWidget* SlideList() const { return m_pSlides; }
    PropertiesForm& Properties() const { return *m_pProperties; }

private:
    SimDocument& m_doc;
    const OfficeModel& m_model;
    QLabel* m_pPath;
    QListWidget* m_pSlides = nullptr;
    PropertiesForm* m_pProperties;
    bool m_bSyncing = false;
};

} // namespace quillmark::simoffice
