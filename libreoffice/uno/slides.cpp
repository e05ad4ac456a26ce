// The presentation calls of the office session: slide count and titles, slide
// pictures made by the office's own graphic export, slides copied in from a file.
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officesession.h"
#include "libreoffice/uno/unotext.h"
#include "platform/imaging/image.h"
#include "resources/strings.h"

#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageDuplicator.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapeDescriptor.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCopy.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <filesystem>

namespace quillmark::libreoffice {

using css::beans::PropertyValue;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

Reference<css::drawing::XDrawPages> PagesOf(const Reference<css::frame::XModel>& xModel)
{
    Reference<css::drawing::XDrawPagesSupplier> xSupplier{xModel, UNO_QUERY};
    Reference<css::lang::XServiceInfo> xInfo{xModel, UNO_QUERY};
    if (!xSupplier.is() || !xInfo.is() || !xInfo->supportsService("com.sun.star.presentation.PresentationDocument"))
        throw UserError(Message(609));
    return xSupplier->getDrawPages();
}


// "image/jpeg" for "JPG" and its kin; "" for a format slides are not exported in.
OUString MediaTypeOf(const std::string& format)
{
    std::string upper = format;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper == "JPG" || upper == "JPEG") return "image/jpeg";
    if (upper == "PNG") return "image/png";
    if (upper == "BMP") return "image/bmp";
    return {};
}

// Copies `xSource` (of another document) onto `xTarget`, made by `xFactory`:
// the shape's kind, every property the target takes, its text with its
// formatting, and the shapes inside a group.
void CopyShape(const Reference<css::drawing::XShape>& xSource, const Reference<css::drawing::XShapes>& xTarget,
               const Reference<css::lang::XMultiServiceFactory>& xFactory)
{
    const OUString type = ShapeTypeOf(Reference<css::drawing::XShapeDescriptor>(xSource, UNO_QUERY_THROW));
    Reference<css::drawing::XShape> xNew{xFactory->createInstance(type), UNO_QUERY};
    if (!xNew.is()) return; // a kind of shape this document cannot hold
    xTarget->add(xNew);
    Reference<css::beans::XPropertySet> xFrom{xSource, UNO_QUERY};
    Reference<css::beans::XPropertySet> xTo{xNew, UNO_QUERY};
    if (xFrom.is() && xTo.is()) {
        const auto toInfo = xTo->getPropertySetInfo();
        for (const auto& property : xFrom->getPropertySetInfo()->getProperties()) {
            if (property.Attributes & css::beans::PropertyAttribute::READONLY) continue;
            if (!toInfo->hasPropertyByName(property.Name)) continue;
            try {
                xTo->setPropertyValue(property.Name, xFrom->getPropertyValue(property.Name));
            } catch (const uno::Exception&) {
                // Properties that only make sense in their own document stay as made.
            }
        }
    }
    Reference<css::drawing::XShapes> xChildren{xSource, UNO_QUERY};
    Reference<css::drawing::XShapes> xNewChildren{xNew, UNO_QUERY};
    if (xChildren.is() && xNewChildren.is()) {
        for (sal_Int32 i = 0; i < xChildren->getCount(); ++i)
            CopyShape(Reference<css::drawing::XShape>(xChildren->getByIndex(i), UNO_QUERY_THROW), xNewChildren,
                      xFactory);
        return;
    }
    Reference<css::text::XTextCopy> xTextFrom{xSource, UNO_QUERY};
    Reference<css::text::XTextCopy> xTextTo{xNew, UNO_QUERY};
    if (xTextFrom.is() && xTextTo.is()) xTextTo->copyText(xTextFrom);
}

void CopyPage(const Reference<css::drawing::XDrawPage>& xSource, const Reference<css::drawing::XDrawPage>& xTarget,
              const Reference<css::lang::XMultiServiceFactory>& xFactory)
{
    for (sal_Int32 i = 0; i < xSource->getCount(); ++i)
        CopyShape(Reference<css::drawing::XShape>(xSource->getByIndex(i), UNO_QUERY_THROW),
                  Reference<css::drawing::XShapes>(xTarget, UNO_QUERY_THROW), xFactory);
}

} // namespace

int OfficeSession::SlideCount(DocumentId id)
{
    return PagesOf(ModelOf(id))->getCount();
}

std::vector<std::string> OfficeSession::SlideTitles(DocumentId id)
{
    auto xPages = PagesOf(ModelOf(id));
    std::vector<std::string> titles;
    for (sal_Int32 i = 0; i < xPages->getCount(); ++i) {
        Reference<css::drawing::XShapes> xPage{xPages->getByIndex(i), UNO_QUERY_THROW};
        std::string title;
        for (sal_Int32 j = 0; j < xPage->getCount(); ++j) {
            Reference<css::drawing::XShapeDescriptor> xShape{xPage->getByIndex(j), UNO_QUERY};
            if (xShape.is() && ShapeTypeOf(xShape) == "com.sun.star.presentation.TitleTextShape") {
                if (Reference<css::text::XTextRange> xText{xShape, UNO_QUERY}; xText.is()) title = ToStd(xText->getString());
                break;
            }
        }
        titles.push_back(std::move(title));
    }
    return titles;
}

void OfficeSession::ExportSlides(DocumentId id, const std::string& folder, const std::string& format, int width,
                                 int height)
{
    auto xPages = PagesOf(ModelOf(id));
    const OUString mediaType = MediaTypeOf(format);
    if (mediaType.isEmpty()) throw UserError(Message(611, {format}));
    std::error_code ec;
    const std::string dir = std::filesystem::absolute(folder, ec).lexically_normal().string();
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) throw UserError(Message(615, {dir, ec.message()}));

    auto xExport = css::drawing::GraphicExportFilter::create(m_xRemote);
    const auto filterData = Args({Prop("PixelWidth", uno::Any(sal_Int32(width))),
                                            Prop("PixelHeight", uno::Any(sal_Int32(height))),
                                            Prop("Quality", uno::Any(sal_Int32(90)))});
    // The office's BMP export ignores the pixel size: such slides are exported
    // as PNG at the size asked for and written as BMP here.
    const bool bBmp = mediaType == "image/bmp";
    for (sal_Int32 i = 0; i < xPages->getCount(); ++i) {
        Reference<css::lang::XComponent> xPage{xPages->getByIndex(i), UNO_QUERY_THROW};
        xExport->setSourceDocument(xPage);
        const std::string file = dir + "/Slide" + std::to_string(i + 1) + "." + format;
        const std::string exported = bBmp ? file + ".png" : file;
        const auto descriptor = Args({Prop("URL", uno::Any(UrlOfPath(exported))),
                                                Prop("MediaType", uno::Any(bBmp ? OUString("image/png") : mediaType)),
                                                Prop("FilterData", uno::Any(filterData))});
        if (!xExport->filter(descriptor)) throw UserError(Message(613, {"the export of " + file + " failed"}));
        if (bBmp) {
            std::string why;
            const imaging::Image picture = imaging::Image::Load(exported, &why);
            std::filesystem::remove(exported, ec);
            if (picture.IsNull() || !picture.SaveBmp(file, &why)) throw UserError(Message(613, {file + ": " + why}));
        }
    }
}

int OfficeSession::InsertSlides(DocumentId id, const std::string& file, int index, int start, int end)
{
    const Reference<css::frame::XModel> xModel = ModelOf(id);
    auto xPages = PagesOf(xModel);
    const sal_Int32 count = xPages->getCount();
    if (index < 0 || index > count)
        throw UserError(Message(610, {"this presentation", std::to_string(count), std::to_string(index),
                                      std::to_string(index)}));

    // The source, read-only and without a window (the one open already if it is).
    std::error_code ec;
    const std::string full = std::filesystem::absolute(file, ec).lexically_normal().string();
    const OUString url = UrlOfPath(full);
    Reference<css::frame::XModel> xSource;
    auto xEnum = m_xDesktop->getComponents()->createEnumeration();
    while (xEnum->hasMoreElements() && !xSource.is()) {
        Reference<css::frame::XModel> xOpen{xEnum->nextElement(), UNO_QUERY};
        if (xOpen.is() && xOpen->getURL() == url) xSource = xOpen;
    }
    const bool bOwnSource = !xSource.is();
    if (bOwnSource) {
        if (!std::filesystem::is_regular_file(full, ec)) {
            char text[1024];
            std::snprintf(text, sizeof text, LoadResString(154).c_str(), file.c_str());
            throw UserError(text);
        }
        const auto args = Args({Prop("Hidden", uno::Any(true)), Prop("ReadOnly", uno::Any(true))});
        try {
            xSource.set(m_xDesktop->loadComponentFromURL(url, "_blank", 0, args), UNO_QUERY);
        } catch (const uno::Exception& e) {
            throw UserError(Message(606, {full, ToStd(e.Message)}));
        }
        if (!xSource.is()) throw UserError(Message(606, {full, "not a document it can read"}));
    }
    struct CloseSource {
        Reference<css::frame::XModel> xModel;
        bool bOwn;
        ~CloseSource()
        {
            if (!bOwn) return;
            try {
                if (Reference<css::util::XCloseable> x{xModel, UNO_QUERY}; x.is()) x->close(true);
            } catch (...) {
            }
        }
    } closer{xSource, bOwnSource};

    auto xSourcePages = PagesOf(xSource);
    const sal_Int32 sourceCount = xSourcePages->getCount();
    if (end == -1) end = sourceCount;
    if (start < 1 || end < start || end > sourceCount)
        throw UserError(Message(610, {full, std::to_string(sourceCount), std::to_string(start), std::to_string(end)}));

    Reference<css::lang::XMultiServiceFactory> xFactory{xModel, UNO_QUERY_THROW};
    // New pages go in behind a page. For the front, the first page is duplicated
    // first ([first, copy, rest]), the new pages go in behind the original and the
    // original is removed, so that the first page keeps everything it has.
    Reference<css::drawing::XDrawPage> xFirst;
    if (index == 0) {
        xFirst.set(xPages->getByIndex(0), UNO_QUERY_THROW);
        Reference<css::drawing::XDrawPageDuplicator>(xModel, UNO_QUERY_THROW)->duplicate(xFirst);
    }
    const int inserted = end - start + 1;
    sal_Int32 behind = index == 0 ? 0 : index - 1;
    for (int n = start; n <= end; ++n) {
        Reference<css::drawing::XDrawPage> xNew = xPages->insertNewByIndex(behind++);
        Reference<css::drawing::XDrawPage> xFrom{xSourcePages->getByIndex(n - 1), UNO_QUERY_THROW};
        CopyPage(xFrom, xNew, xFactory);
    }
    if (xFirst.is()) xPages->remove(xFirst);
    return inserted;
}

} // namespace quillmark::libreoffice
