#include "libreoffice/toolbar/frametoolbar.h"

#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/unotext.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/ui/ItemStyle.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/XUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/XUIElement.hpp>
#include <com/sun/star/ui/XUIElementSettings.hpp>

namespace quillmark::libreoffice {

namespace uno = css::uno;
using css::beans::PropertyValue;
using css::container::XIndexAccess;
using css::container::XIndexContainer;

namespace {

OUString ResourceUrl() { return ToOU(std::string(kToolBarResource)); }

uno::Reference<css::ui::XUIConfigurationManager> ConfigOf(const uno::Reference<css::frame::XFrame>& xFrame)
{
    uno::Reference<css::frame::XController> xController = xFrame->getController();
    if (!xController.is()) throw UserError(Message(641));
    uno::Reference<css::ui::XUIConfigurationManagerSupplier> xSupplier(xController->getModel(),
                                                                       uno::UNO_QUERY_THROW);
    return xSupplier->getUIConfigurationManager();
}

uno::Reference<css::frame::XLayoutManager> LayoutOf(const uno::Reference<css::frame::XFrame>& xFrame)
{
    uno::Reference<css::beans::XPropertySet> xProps(xFrame, uno::UNO_QUERY_THROW);
    uno::Reference<css::frame::XLayoutManager> xLayout(xProps->getPropertyValue("LayoutManager"),
                                                       uno::UNO_QUERY_THROW);
    return xLayout;
}

uno::Sequence<PropertyValue> Separator()
{
    return Args({Prop("Type", uno::Any(css::ui::ItemType::SEPARATOR_LINE))});
}

uno::Sequence<PropertyValue> Describe(const ToolBarItem& item, const uno::Reference<XIndexContainer>& xEntries)
{
    const sal_Int16 style = css::ui::ItemStyle::TEXT | css::ui::ItemStyle::ALIGN_LEFT |
                            (item.kind == ToolBarItem::Kind::DropDown ? css::ui::ItemStyle::DROPDOWN_ONLY : 0);
    std::vector<PropertyValue> props{
        Prop("CommandURL", uno::Any(ToOU(item.strCommand))),
        Prop("Label", uno::Any(ToOU(item.strLabel))),
        Prop("Tooltip", uno::Any(ToOU(item.strTooltip))),
        Prop("Type", uno::Any(css::ui::ItemType::DEFAULT)),
        Prop("Style", uno::Any(style)),
        Prop("IsVisible", uno::Any(true)),
    };
    if (item.kind == ToolBarItem::Kind::TextField) props.push_back(Prop("Width", uno::Any(sal_Int32(160))));
    if (xEntries.is()) props.push_back(Prop("ItemDescriptorContainer", uno::Any(xEntries)));
    return uno::Sequence<PropertyValue>(props.data(), static_cast<sal_Int32>(props.size()));
}

void Fill(const uno::Reference<XIndexContainer>& xContainer, const std::vector<ToolBarItem>& items,
          const uno::Reference<css::lang::XSingleComponentFactory>& xFactory,
          const uno::Reference<uno::XComponentContext>& xContext)
{
    for (const ToolBarItem& item : items) {
        if (item.bBeginGroup) xContainer->insertByIndex(xContainer->getCount(), uno::Any(Separator()));
        uno::Reference<XIndexContainer> xEntries;
        if (item.kind == ToolBarItem::Kind::DropDown) {
            xEntries.set(xFactory->createInstanceWithContext(xContext), uno::UNO_QUERY_THROW);
            Fill(xEntries, item.vecEntries, xFactory, xContext);
        }
        xContainer->insertByIndex(xContainer->getCount(), uno::Any(Describe(item, xEntries)));
    }
}

std::vector<ToolBarItem> ReadItems(const uno::Reference<XIndexAccess>& xItems)
{
    std::vector<ToolBarItem> items;
    bool bGroup = false;
    for (sal_Int32 i = 0; xItems.is() && i < xItems->getCount(); ++i) {
        uno::Sequence<PropertyValue> props;
        if (!(xItems->getByIndex(i) >>= props)) continue;
        ToolBarItem item;
        sal_Int16 type = css::ui::ItemType::DEFAULT, style = 0;
        uno::Reference<XIndexAccess> xEntries;
        for (const PropertyValue& p : props) {
            OUString text;
            if (p.Name == "CommandURL" && (p.Value >>= text)) item.strCommand = ToStd(text);
            else if (p.Name == "Label" && (p.Value >>= text)) item.strLabel = ToStd(text);
            else if (p.Name == "Tooltip" && (p.Value >>= text)) item.strTooltip = ToStd(text);
            else if (p.Name == "Type") p.Value >>= type;
            else if (p.Name == "Style") p.Value >>= style;
            else if (p.Name == "ItemDescriptorContainer") p.Value >>= xEntries;
        }
        if (type != css::ui::ItemType::DEFAULT) {
            bGroup = true;
            continue;
        }
        if (xEntries.is()) {
            item.kind = ToolBarItem::Kind::DropDown;
            item.vecEntries = ReadItems(xEntries);
        } else if (item.strCommand == kSearchCommand) {
            item.kind = ToolBarItem::Kind::TextField;
        }
        item.bBeginGroup = bGroup;
        bGroup = false;
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace

uno::Reference<css::frame::XFrame> FrameOf(const uno::Reference<css::frame::XModel>& xModel)
{
    if (!xModel.is()) return {};
    uno::Reference<css::frame::XController> xController = xModel->getCurrentController();
    return xController.is() ? xController->getFrame() : uno::Reference<css::frame::XFrame>();
}

void ShowFrameToolBar(const uno::Reference<css::frame::XFrame>& xFrame, const ToolBar& toolBar)
{
    auto xConfig = ConfigOf(xFrame);
    uno::Reference<XIndexContainer> xSettings(xConfig->createSettings(), uno::UNO_SET_THROW);
    uno::Reference<css::beans::XPropertySet> xSettingsProps(xSettings, uno::UNO_QUERY);
    if (xSettingsProps.is()) xSettingsProps->setPropertyValue("UIName", uno::Any(ToOU(toolBar.strTitle)));
    // The entries of a drop-down are containers of the same kind, made by the
    // office's own factory (the settings object offers one).
    uno::Reference<css::lang::XSingleComponentFactory> xFactory(xSettings, uno::UNO_QUERY_THROW);
    Fill(xSettings, toolBar.vecItems, xFactory, uno::Reference<uno::XComponentContext>());

    const OUString url = ResourceUrl();
    if (xConfig->hasSettings(url))
        xConfig->replaceSettings(url, uno::Reference<XIndexAccess>(xSettings, uno::UNO_QUERY_THROW));
    else
        xConfig->insertSettings(url, uno::Reference<XIndexAccess>(xSettings, uno::UNO_QUERY_THROW));

    auto xLayout = LayoutOf(xFrame);
    if (!xLayout->getElement(url).is()) xLayout->createElement(url);
    xLayout->showElement(url);
}

std::optional<ToolBar> ReadFrameToolBar(const uno::Reference<css::frame::XFrame>& xFrame)
{
    auto xConfig = ConfigOf(xFrame);
    const OUString url = ResourceUrl();
    if (!xConfig->hasSettings(url)) return std::nullopt;
    ToolBar toolBar;
    uno::Reference<XIndexAccess> xSettings = xConfig->getSettings(url, false);
    uno::Reference<css::beans::XPropertySet> xProps(xSettings, uno::UNO_QUERY);
    OUString title;
    if (xProps.is() && (xProps->getPropertyValue("UIName") >>= title)) toolBar.strTitle = ToStd(title);
    toolBar.vecItems = ReadItems(xSettings);
    return toolBar;
}

void RemoveFrameToolBar(const uno::Reference<css::frame::XFrame>& xFrame)
{
    const OUString url = ResourceUrl();
    auto xLayout = LayoutOf(xFrame);
    if (xLayout->getElement(url).is()) xLayout->destroyElement(url);
    auto xConfig = ConfigOf(xFrame);
    if (xConfig->hasSettings(url)) xConfig->removeSettings(url);
}

} // namespace quillmark::libreoffice
