#include "simoffice/documenttab.h"

#include "simoffice/officemodel.h"
#include "simoffice/simdocument.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace quillmark::simoffice {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

PropertiesForm::PropertiesForm(SimDocument& doc, const OfficeModel& model, bool bLive, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_model(model)
{
    auto* pLayout = new QFormLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    for (const auto& [name, value] : doc.Properties().All()) {
        auto* pEdit = new QLineEdit(Q(value), this);
        pEdit->setObjectName(Q(name));
        pLayout->addRow(Q(name) + ":", pEdit);
        m_mapFields[name] = pEdit;
        if (bLive) {
            connect(pEdit, &QLineEdit::textEdited, this, [this, name = name](const QString& text) {
                if (IsOpen() && m_doc.Property(name) != text.toStdString()) m_doc.SetProperty(name, text.toStdString());
            });
        }
    }
}

bool PropertiesForm::IsOpen() const { return m_model.IndexOf(&m_doc) > 0; }

void PropertiesForm::Sync()
{
    if (!IsOpen()) return;
    for (const auto& [name, pEdit] : m_mapFields) {
        QString value = Q(m_doc.Property(name));
        if (pEdit->text() != value) pEdit->setText(value);
    }
}

void PropertiesForm::Apply()
{
    if (!IsOpen()) return;
    for (const auto& [name, pEdit] : m_mapFields) {
        std::string value = pEdit->text().toStdString();
        if (m_doc.Property(name) != value) m_doc.SetProperty(name, value);
    }
}

QLineEdit* PropertiesForm::Field(const std::string& name) const
{
    auto it = m_mapFields.find(name);
    return it == m_mapFields.end() ? nullptr : it->second;
}

DocumentTab::DocumentTab(SimDocument& doc, const OfficeModel& model, bool bSlides, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_model(model)
{
    auto* pLayout = new QVBoxLayout(this);
    m_pPath = new QLabel(this);
    m_pPath->setObjectName("path");
    m_pPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pPath->setWordWrap(true);
    pLayout->addWidget(m_pPath);
    if (bSlides) {
        auto* pGroup = new QGroupBox(tr("Slides"), this);
        auto* pGroupLayout = new QVBoxLayout(pGroup);
        m_pSlides = new QListWidget(pGroup);
        m_pSlides->setObjectName("slides");
        pGroupLayout->addWidget(m_pSlides);
        pLayout->addWidget(pGroup, 1);
        // Choosing a slide moves the view to it, as clicking a slide in the outline does.
        connect(m_pSlides, &QListWidget::currentRowChanged, this, [this](int row) {
            if (!m_bSyncing && row >= 0 && m_model.IndexOf(&m_doc) > 0) m_doc.SetCurrentSlide(row + 1);
        });
    }
    auto* pGroup = new QGroupBox(tr("Properties"), this);
    auto* pGroupLayout = new QVBoxLayout(pGroup);
    m_pProperties = new PropertiesForm(doc, model, true, pGroup);
    pGroupLayout->addWidget(m_pProperties);
    pLayout->addWidget(pGroup);
    if (!bSlides) pLayout->addStretch(1);
    Sync();
}

void DocumentTab::Sync()
{
    if (m_model.IndexOf(&m_doc) == 0) return;
    m_bSyncing = true;
    m_pPath->setText(Q(m_doc.HasFile() ? m_doc.FullName() : m_doc.FullName() + tr(" (not saved yet)").toStdString()));
    if (m_pSlides) {
        const auto& slides = m_doc.Slides();
        while (m_pSlides->count() > static_cast<int>(slides.size())) delete m_pSlides->takeItem(m_pSlides->count() - 1);
        for (size_t i = 0; i < slides.size(); ++i) {
            QString text = QString("%1  %2").arg(i + 1).arg(Q(slides[i].text));
            if (static_cast<int>(i) < m_pSlides->count()) {
                if (m_pSlides->item(static_cast<int>(i))->text() != text) m_pSlides->item(static_cast<int>(i))->setText(text);
            } else {
                m_pSlides->addItem(text);
            }
        }
        m_pSlides->setCurrentRow(m_doc.CurrentSlide() - 1);
    }
    m_pProperties->Sync();
    m_bSyncing = false;
}

} // namespace quillmark::simoffice
