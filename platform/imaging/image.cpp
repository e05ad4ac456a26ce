#include "platform/imaging/image.h"

#include "platform/files/files.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QString>

#include <algorithm>

namespace quillmark::imaging {

struct Image::Data {
    QImage image;
};

Image::Image() : m_pData(std::make_unique<Data>()) {}
Image::~Image() = default;
Image::Image(const Image& other) : m_pData(std::make_unique<Data>(Data{other.Picture()})) {}
Image& Image::operator=(const Image& other)
{
    if (this == &other) return *this;
    if (m_pData)
        m_pData->image = other.Picture();
    else
        m_pData = std::make_unique<Data>(Data{other.Picture()});
    return *this;
}
// A moved-from image holds no data (an empty image), so moving never allocates.
Image::Image(Image&& other) noexcept : m_pData(std::move(other.m_pData)) {}
Image& Image::operator=(Image&& other) noexcept
{
    std::swap(m_pData, other.m_pData);
    return *this;
}
Image::Image(std::unique_ptr<Data> pData) : m_pData(std::move(pData)) {}

const QImage& Image::Picture() const
{
    static const QImage s_empty;
    return m_pData ? m_pData->image : s_empty;
}

Image Image::Blank(int width, int height)
{
    auto pData = std::make_unique<Data>();
    if (width > 0 && height > 0) {
        pData->image = QImage(width, height, QImage::Format_RGB888);
        pData->image.fill(Qt::white);
    }
    return Image(std::move(pData));
}

Image Image::Load(const std::string& path, std::string* error)
{
    auto pData = std::make_unique<Data>();
    QImageReader reader(QString::fromStdString(path));
    // Embedded colour profiles are not applied: pixels are taken as stored.
    if (!reader.read(&pData->image)) {
        pData->image = QImage();
        if (error) *error = path + ": " + reader.errorString().toStdString();
    } else {
        pData->image.setColorSpace(QColorSpace());
    }
    return Image(std::move(pData));
}

bool Image::IsNull() const { return Picture().isNull(); }
int Image::Width() const { return Picture().width(); }
int Image::Height() const { return Picture().height(); }

unsigned Image::PixelRgb(int x, int y) const
{
    const QImage& img = Picture();
    if (img.isNull() || !img.valid(x, y)) return 0;
    return static_cast<unsigned>(img.pixel(x, y)) & 0xFFFFFFu;
}

Image Image::Stretched(int width, int height) const
{
    auto pData = std::make_unique<Data>();
    if (!IsNull() && width > 0 && height > 0) {
        pData->image = Picture()
                           .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB888);
    }
    return Image(std::move(pData));
}

namespace {

bool Encode(const QImage& image, const char* format, int quality, const std::string& path,
            std::string* error)
{
    if (image.isNull()) {
        if (error) *error = path + ": no image to write";
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    // 24-bit RGB output whatever the source held (alpha is dropped onto white).
    QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (!writer.write(rgb)) {
        if (error) *error = path + ": " + writer.errorString().toStdString();
        return false;
    }
    return files::AtomicReplace(path, std::string_view(bytes.constData(), bytes.size()), 0644,
                                error);
}

} // namespace

std::vector<ImageEncoder> GetImageEncoders()
{
    std::vector<ImageEncoder> encoders;
    for (const QByteArray& mime : QImageWriter::supportedMimeTypes()) {
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime);
        if (!formats.isEmpty())
            encoders.push_back({mime.toStdString(), formats.front().toStdString()});
    }
    return encoders;
}

bool Image::Save(const std::string& path, const ImageEncoder& encoder, const EncoderParameters& parameters,
                 std::string* error) const
{
    if (encoder.format.empty()) {
        if (error) *error = path + ": no encoder";
        return false;
    }
    const int quality = parameters.quality < 0 ? -1 : std::min(parameters.quality, 100);
    return Encode(Picture(), encoder.format.c_str(), quality, path, error);
}

bool Image::SaveJpeg(const std::string& path, int quality, std::string* error) const
{
    return Encode(Picture(), "jpeg", std::clamp(quality, 0, 100), path, error);
}

bool Image::SaveBmp(const std::string& path, std::string* error) const
{
    return Encode(Picture(), "bmp", -1, path, error);
}

bool ConvertToJpeg(const std::string& source, const std::string& target, int width, int height,
                   int quality, std::string* error)
{
    Image src = Image::Load(source, error);
    if (src.IsNull()) return false;
    Image scaled = src.Stretched(width, height);
    if (scaled.IsNull()) {
        if (error) *error = target + ": invalid size";
        return false;
    }
    return scaled.SaveJpeg(target, quality, error);
}

Image DrawSlidePicture(int number, const std::string& text, int width, int height,
                       std::string* error)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (error) *error = "drawing text needs a running Qt GUI application";
        return Image();
    }
    Image page = Image::Blank(width, height);
    if (page.IsNull()) {
        if (error) *error = "invalid picture size";
        return page;
    }
    QImage& img = page.m_pData->image;
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int margin = std::max(2, std::min(width, height) / 20);
    QRect frame(margin / 2, margin / 2, width - margin, height - margin);
    painter.setPen(QPen(QColor(0x30, 0x50, 0x90), std::max(1, margin / 4)));
    painter.drawRect(frame);

    QRect inner = frame.adjusted(margin, margin, -margin, -margin);
    QFont titleFont;
    titleFont.setPixelSize(std::max(8, height / 8));
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    QRect titleRect = inner;
    titleRect.setHeight(std::max(10, height / 5));
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("Slide %1").arg(number));

    QFont bodyFont;
    bodyFont.setPixelSize(std::max(6, height / 16));
    painter.setFont(bodyFont);
    QRect bodyRect = inner.adjusted(0, titleRect.height(), 0, 0);
    painter.drawText(bodyRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QString::fromStdString(text));
    painter.end();
    return page;
}

} // namespace quillmark::imaging
