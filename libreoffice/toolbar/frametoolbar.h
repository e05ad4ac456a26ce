#pragma once
// The Quillmark tool bar of one document frame, at the UNO level (for this layer
// only; the office core uses officetoolbars.h). Calls throw UNO exceptions or
// UserError; run them inside the connection's calls.
//
// The tool bar is kept in the document's UI configuration manager as
// kToolBarResource, item style TEXT, and shown through the frame's layout
// manager; replacing its settings relabels a shown tool bar in place. The office
// does not write these settings into the document's file when it saves it (a
// test keeps it so: a tool bar saved into users' files would outlive Quillmark).
#include "libreoffice/toolbar/toolbarmodel.h"

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <optional>

namespace quillmark::libreoffice {

// The frame of the document's first view; null when it has none.
css::uno::Reference<css::frame::XFrame> FrameOf(const css::uno::Reference<css::frame::XModel>& xModel);

void ShowFrameToolBar(const css::uno::Reference<css::frame::XFrame>& xFrame, const ToolBar& toolBar);
// What the shown tool bar holds; nullopt when the frame shows none.
std::optional<ToolBar> ReadFrameToolBar(const css::uno::Reference<css::frame::XFrame>& xFrame);
void RemoveFrameToolBar(const css::uno::Reference<css::frame::XFrame>& xFrame);

} // namespace quillmark::libreoffice
