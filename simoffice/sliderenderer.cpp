#include "simoffice/sliderenderer.h"
#include "platform/errors/seterror.h"

#include "platform/files/files.h"

#include <poppler-qt6.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdlib>

namespace quillmark::simoffice {

struct SlideRenderer::Entry {
    files::FileStamp stamp;
    int width = 0;
    std::vector<QImage> pages;
};

namespace {

QString Program()
{
    const char* program = std::getenv("QUILLMARK_SOFFICE");
    return program && *program ? QString::fromLocal8Bit(program) : QStringLiteral("soffice");
}

std::string Tail(const QByteArray& output)
{
    QString text = QString::fromLocal8Bit(output).trimmed();
    if (text.size() > 400) text = "..." + text.right(400);
    return text.toStdString();
}

} // namespace

SlideRenderer::SlideRenderer() = default;
SlideRenderer::~SlideRenderer() = default;

bool SlideRenderer::ConvertToPdf(const std::string& path, std::string& pdf, std::string* error)
{
    if (!m_pWorkDir) {
        m_pWorkDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/quillmark-slides-XXXXXX");
        if (!m_pWorkDir->isValid()) {
            SetError(error, "cannot create a private temporary folder: " + m_pWorkDir->errorString().toStdString());
            m_pWorkDir.reset();
            return false;
        }
    }
    const QString outDir = m_pWorkDir->filePath("out" + QString::number(++m_nConversions));
    if (!QDir().mkpath(outDir)) {
        SetError(error, "cannot create " + outDir.toStdString());
        return false;
    }
    const QString profile = QUrl::fromLocalFile(m_pWorkDir->filePath("profile")).toString();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(Program(), {"--headless", "--norestore", "--nolockcheck", "-env:UserInstallation=" + profile,
                              "--convert-to", "pdf", "--outdir", outDir, QString::fromStdString(path)});
    if (!process.waitForStarted(30000)) {
        SetError(error, "LibreOffice (" + Program().toStdString() + ") cannot be started: " +
                            process.errorString().toStdString());
        return false;
    }
    if (!process.waitForFinished(m_nTimeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished(5000);
        SetError(error, "LibreOffice took longer than " + std::to_string(m_nTimeoutSeconds) + " seconds and was stopped");
        return false;
    }
    const QStringList made = QDir(outDir).entryList({"*.pdf"}, QDir::Files);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || made.isEmpty()) {
        std::string output = Tail(process.readAll());
        SetError(error, "LibreOffice could not convert the file to PDF" + (output.empty() ? "" : ": " + output));
        QDir(outDir).removeRecursively();
        return false;
    }
    pdf = QDir(outDir).filePath(made.front()).toStdString();
    return true;
}

const std::vector<QImage>* SlideRenderer::Pages(const std::string& path, int width, std::string* error)
{
    files::FileStamp stamp = files::GetFileStamp(path);
    if (!stamp.exists) {
        SetError(error, path + ": no such file");
        return nullptr;
    }
    auto& entry = m_mapPages[path];
    if (entry && entry->stamp == stamp && entry->width == width) return &entry->pages;
    entry.reset();

    std::string pdf;
    if (!ConvertToPdf(path, pdf, error)) return nullptr;
    const QString pdfPath = QString::fromStdString(pdf);
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdfPath);
    auto cleanUp = [&] { QDir(QFileInfo(pdfPath).path()).removeRecursively(); };
    if (!document || document->isLocked()) {
        cleanUp();
        SetError(error, "the PDF LibreOffice made cannot be read");
        return nullptr;
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    auto pNew = std::make_unique<Entry>();
    pNew->stamp = stamp;
    pNew->width = width;
    for (int i = 0; i < document->numPages(); ++i) {
        std::unique_ptr<Poppler::Page> page = document->page(i);
        QSizeF points = page ? page->pageSizeF() : QSizeF();
        if (!page || points.width() <= 0) {
            cleanUp();
            SetError(error, "page " + std::to_string(i + 1) + " of the PDF cannot be read");
            return nullptr;
        }
        double dpi = width * 72.0 / points.width();
        QImage picture = page->renderToImage(dpi, dpi);
        if (picture.isNull()) {
            cleanUp();
            SetError(error, "page " + std::to_string(i + 1) + " cannot be rendered");
            return nullptr;
        }
        pNew->pages.push_back(picture.convertToFormat(QImage::Format_RGB888));
    }
    cleanUp();
    entry = std::move(pNew);
    return &entry->pages;
}

} // namespace quillmark::simoffice
