// The Acad and Control objects of Drafthand, created in process through the
// registered class and called late-bound by member name, so that tarn2 needs
// nothing of the component at build time.
#pragma once

#include "tarn2/ports.h"

namespace tarn::app::win {

class DrafthandFactory : public AcadFactory {
public:
    // COM must be initialised (apartment-threaded) on the calling thread.
    std::unique_ptr<Acad> CreateAcad() override;
};

} // namespace tarn::app::win
