#pragma once
// Raster images for previews and exported slides: load a file, stretch into a
// size, write JPEG with a quality or a 24-bit BMP, draw a slide picture.
// Works without a display; drawing text needs a running Qt GUI application
// (QGuiApplication or QApplication), because fonts come from it.
#include <memory>
#include <string>
#include <vector>

class QImage;

namespace quillmark::imaging {

class Image;

// One installed image encoder: the MIME type it writes and the format name that
// selects it (the "class id" of the encoder).
struct ImageEncoder {
    std::string mimeType;
    std::string format;
};
// The encoders installed here, in a stable order (Qt's image writer plug-ins).
std::vector<ImageEncoder> GetImageEncoders();

// What an encoder is asked for; a value left at -1 is the encoder's default.
struct EncoderParameters {
    int quality = -1; // 0..100, for lossy encoders such as JPEG
};
// The picture of one slide: a white page with a frame, the slide number large at the
// top ("Slide N") and `text` word-wrapped below it. Needs a running Qt GUI application
// for the text; without one it returns an empty image and sets `error`.
Image DrawSlidePicture(int number, const std::string& text, int width, int height,
                       std::string* error = nullptr);

class Image {
public:
    Image();
    ~Image();
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&&) noexcept;
    Image& operator=(Image&&) noexcept;

    // A white 24-bit RGB image of width x height; an empty image for sizes below 1.
    static Image Blank(int width, int height);
    // Reads an image file in any format Qt knows (BMP, JPEG, PNG, GIF...).
    // An empty image with `error` set when it cannot be read.
    static Image Load(const std::string& path, std::string* error = nullptr);

    bool IsNull() const;
    int Width() const;
    int Height() const;
    // The colour of one pixel as 0xRRGGBB; 0 outside the image.
    unsigned PixelRgb(int x, int y) const;

    // This image stretched (smoothly, proportions not kept) into width x height, as 24-bit RGB.
    Image Stretched(int width, int height) const;

    // Writes a baseline JPEG, quality 0..100 (clamped). The file is replaced atomically.
    bool SaveJpeg(const std::string& path, int quality, std::string* error = nullptr) const;
    // Writes an uncompressed 24-bit BMP. The file is replaced atomically.
    bool SaveBmp(const std::string& path, std::string* error = nullptr) const;
    // Writes the image with `encoder` (one of GetImageEncoders) and `parameters`,
    // as 24-bit RGB. The file is replaced atomically.
    bool Save(const std::string& path, const ImageEncoder& encoder, const EncoderParameters& parameters,
              std::string* error = nullptr) const;

    struct Data;

private:
    friend Image DrawSlidePicture(int, const std::string&, int, int, std::string*);
    explicit Image(std::unique_ptr<Data> pData);
    // The picture; an empty one for a moved-from image, which holds no data.
    const QImage& Picture() const;
    std::unique_ptr<Data> m_pData;
};

// Loads `source`, stretches it into width x height and writes it to `target` as JPEG
// with `quality`. False (with `error`) when the source cannot be read or the target written.
bool ConvertToJpeg(const std::string& source, const std::string& target, int width, int height,
                   int quality, std::string* error = nullptr);

} // namespace quillmark::imaging
