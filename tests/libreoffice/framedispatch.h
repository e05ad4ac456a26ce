#pragma once
// What a tool bar item's click goes through: the dispatch the office gives a
// command URL in a document's frame.
#include "libreoffice/toolbar/frametoolbar.h"
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/officesession.h"
#include "libreoffice/uno/unotext.h"

#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/util/URL.hpp>
#include <com/sun/star/util/URLTransformer.hpp>

#include <string>

namespace quillmark::libreoffice {

// The dispatch of `command` in the frame of document `id`, with `url` parsed;
// throws UserError when the office has none.
inline css::uno::Reference<css::frame::XDispatch> FrameDispatch(OfficeSession& session, DocumentId id,
                                                              const std::string& command, css::util::URL& url)
{
    auto xFrame = FrameOf(session.ModelOf(id));
    css::uno::Reference<css::frame::XDispatchProvider> xProvider(xFrame, css::uno::UNO_QUERY_THROW);
    url.Complete = ToOU(command);
    css::util::URLTransformer::create(session.Remote())->parseStrict(url);
    auto xDispatch = xProvider->queryDispatch(url, "_self", 0);
    if (!xDispatch.is())
        throw UserError("no dispatch for " + command);
    return xDispatch;
}

} // namespace quillmark::libreoffice
