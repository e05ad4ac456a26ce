#include "simoffice/simoffice.h"

#include "platform/registry/registry.h"

#include <iostream>

namespace quillmark::simoffice {

SimOffice::SimOffice(HostKind host) : m_model(host)
{
    m_spApplication = MakeApplication(m_model, m_pCore);
}

SimOffice::~SimOffice() { Shutdown(); }

void SimOffice::SetEventTrace(std::function<void(const std::string&)> fnTrace)
{
    m_pCore->SetEventTrace(std::move(fnTrace));
}

int SimOffice::LoadAddins(std::ostream& report, const std::string& registryFile)
{
    registry::Registry reg = registryFile.empty() ? registry::Registry() : registry::Registry(registryFile);
    if (reg.Refresh() != registry::RegStatus::Ok) {
        report << "quillmark-host: add-ins not loaded: " << reg.Error() << std::endl;
        return 0;
    }
    if (!m_pLoader) m_pLoader = std::make_unique<AddinLoader>(report);
    return m_pLoader->LoadAll(reg.Model(), Host(), m_spApplication.Get());
}

std::vector<std::string> SimOffice::LoadedAddins() const
{
    return m_pLoader ? m_pLoader->Loaded() : std::vector<std::string>{};
}

void SimOffice::Shutdown()
{
    if (m_bShutDown) return;
    m_bShutDown = true;
    if (m_pLoader) m_pLoader->DisconnectAll();
    m_pCore->Shutdown(); // bars, document objects and event subscribers go
    if (m_pLoader) m_pLoader->FreeLibraries();
}

} // namespace quillmark::simoffice
