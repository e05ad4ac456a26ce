#pragma once
// PowerPoint's application object over the office model.
#include "simoffice/appcore.h"

namespace quillmark::simoffice {

ComPtr<IDispatch> MakePowerPointApplication(OfficeModel& model, AppCore*& pCore);

} // namespace quillmark::simoffice
