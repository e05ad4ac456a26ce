#pragma once
// A wrapper with its bar built and its event handler subscribed, in a simulated
// host whose temporary folder is a folder of the test's own, with helpers to
// open, create, save, activate and close documents and to read what the bar shows.
#include "tests/host/hostfixture.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace quillmark::test {

template <class Wrapper>
struct EventHost : HostSetup<Wrapper> {
    using Base = HostSetup<Wrapper>;
    using Base::folders;
    using Base::office;

    std::string tempFolder = folders.dir / "tmp";
    std::string docs = folders.dir / "docs";
    ScopedEnv tempEnv{"TMPDIR", tempFolder};

    EventHost() { Start(); }
    // The database works through `fs` (see HostSetup).
    explicit EventHost(files::FileSystem& fs) : Base(fs) { Start(); }

    void Start()
    {
        std::filesystem::create_directories(tempFolder);
        std::filesystem::create_directories(docs);
        if (!this->wrapper.CreateCommandBar()) throw std::runtime_error("no command bar");
    }

    // A real file docs/<name> (or elsewhere for a full path).
    std::string File(const std::string& name, const std::string& content = "x")
    {
        const std::string path = name.starts_with("/") ? name : docs + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    simoffice::SimDocument& New()
    {
        simoffice::SimDocument* pDoc = office.Model().New();
        if (!pDoc) throw std::runtime_error("New failed");
        return *pDoc;
    }
    void Save(simoffice::SimDocument& doc, const std::string& path = {})
    {
        std::string error;
        if (!office.Model().Save(&doc, path, &error)) throw std::runtime_error(error);
    }
    void Activate(simoffice::SimDocument& doc) { office.Model().Activate(&doc); }
    void Close(simoffice::SimDocument& doc) { office.Model().Close(&doc); }

    // A file whose saved built-in properties (kept by the host for this process)
    // are `properties`, made while the add-in does not listen.
    std::string Prepare(const std::string& name, const std::map<std::string, std::string>& properties)
    {
        this->wrapper.DisconnectApplicationEvents();
        simoffice::SimDocument& doc = New();
        for (const auto& [property, value] : properties) doc.SetProperty(property, value);
        const std::string path = name.starts_with("/") ? name : docs + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        Save(doc, path);
        Close(doc);
        this->wrapper.ConnectApplicationEvents();
        return path;
    }
    ComPtr<IDispatch> Object(simoffice::SimDocument& doc) { return office.DocumentObject(doc); }

    TagList Stored(const std::string& path) { return this->database.GetFileItem(path).tags; }
    void Store(const std::string& path, const TagList& tags)
    {
        if (!this->database.SetFileTags(path, tags)) throw std::runtime_error("SetFileTags failed");
    }
    std::string DatabaseFile() { return this->database.DatabaseFile(); }

    // The tag buttons after "&Tag", as "caption face" ("" when the bar ends with "&Tag").
    std::vector<std::string> TagButtons()
    {
        std::vector<std::string> buttons;
        auto controls = this->Controls();
        bool bAfterTag = false;
        for (officecore::ControlCore* pControl : controls) {
            const officecore::ControlState& s = pControl->State();
            if (bAfterTag) buttons.push_back(s.caption + " " + std::to_string(s.faceId));
            if (s.caption == "&Tag") bAfterTag = true;
        }
        if (!bAfterTag) buttons.push_back("no &Tag button");
        return buttons;
    }
    officecore::ControlCore* TagButton()
    {
        for (officecore::ControlCore* pControl : this->Controls())
            if (pControl->State().caption == "&Tag") return pControl;
        return nullptr;
    }

    // The sinks subscribed to the host's application events.
    std::size_t Subscribers()
    {
        ComPtr<IConnectionPointContainer> spContainer;
        spContainer.QueryFrom(office.Application());
        ComPtr<IConnectionPoint> spPoint;
        if (!spContainer || FAILED(spContainer->FindConnectionPoint(EventIid(), &spPoint))) return 0;
        return static_cast<ConnectionPoint*>(spPoint.Get())->SinkCount();
    }
    static const IID& EventIid()
    {
        if constexpr (std::is_base_of_v<WordApplication, Wrapper>)
            return word::ApplicationEvents::Iid;
        else
            return powerpoint::EApplication::Iid;
    }
};

} // namespace quillmark::test
