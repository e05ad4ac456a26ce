#pragma once
// PowerPoint's application object over the office model.
#include "officecore/appcore.h"

namespace quillmark::officecore {

ComPtr<IDispatch> MakePowerPointApplication(Office& model, AppCore*& pCore);

} // namespace quillmark::officecore
