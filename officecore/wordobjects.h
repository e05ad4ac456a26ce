#pragma once
// Word's application object over the office model.
#include "simoffice/appcore.h"

namespace quillmark::simoffice {

ComPtr<IDispatch> MakeWordApplication(OfficeModel& model, AppCore*& pCore);

} // namespace quillmark::simoffice
