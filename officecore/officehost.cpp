#include "officecore/officehost.h"

#include "platform/registry/registry.h"

namespace quillmark::officecore {

OfficeHost::OfficeHost(std::unique_ptr<Office> pOffice, std::string programName)
    : m_pOffice(std::move(pOffice)), m_strProgram(std::move(programName))
{
    m_spApplication = MakeApplication(*m_pOffice, m_pCore);
}

OfficeHost::~OfficeHost() { Shutdown(); }

void OfficeHost::SetEventTrace(std::function<void(const std::string&)> fnTrace)
{
    m_pCore->SetEventTrace(std::move(fnTrace));
}

int OfficeHost::LoadAddins(std::ostream& report, const std::string& registryFile)
{
    registry::Registry reg = registryFile.empty() ? registry::Registry() : registry::Registry(registryFile);
    if (reg.Refresh() != registry::RegStatus::Ok) {
        report << m_strProgram << ": add-ins not loaded: " << reg.Error() << std::endl;
        return 0;
    }
    if (!m_pLoader) m_pLoader = std::make_unique<AddinLoader>(report, m_strProgram);
    return m_pLoader->LoadAll(reg.Model(), Host(), m_spApplication.Get());
}

std::vector<std::string> OfficeHost::LoadedAddins() const
{
    return m_pLoader ? m_pLoader->Loaded() : std::vector<std::string>{};
}

void OfficeHost::Shutdown()
{
    if (m_bShutDown) return;
    m_bShutDown = true;
    if (m_pLoader) m_pLoader->DisconnectAll();
    m_pCore->Shutdown(); // bars, document objects and event subscribers go
    if (m_pLoader) m_pLoader->FreeLibraries();
}

} // namespace quillmark::officecore
