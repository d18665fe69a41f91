// The Acad and Control objects of Drafthand, created in process through the
// registered class and called through the interfaces of its type library.
#pragma once

#include "tarn2/ports.h"

namespace tarn::app::win {

class DrafthandFactory : public AcadFactory {
public:
    // COM must be initialised (apartment-threaded) on the calling thread.
    std::unique_ptr<Acad> CreateAcad() override;
};

} // namespace tarn::app::win
