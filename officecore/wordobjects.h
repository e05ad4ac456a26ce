#pragma once
// Word's application object over the office model.
#include "officecore/appcore.h"

namespace quillmark::officecore {

ComPtr<IDispatch> MakeWordApplication(Office& model, AppCore*& pCore);

} // namespace quillmark::officecore
