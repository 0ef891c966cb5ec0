// The Vantel list control's saved properties, as a container hands them
// back: the bag is read from its bytes and, when it reads, applied to a
// control.
#include "fuzz_check.h"

#include <vantel/vantelctrl.h>
#include <vantel/vantelpropertybag.h>

#include <QApplication>

#include <memory>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto control = std::make_unique<CVantelCtrl>();
    bool ok = false;
    const VantelPropertyBag bag =
        VantelPropertyBag::fromByteArray(fuzzInput(data, size).toByteArray(), &ok);
    FUZZ_CHECK(ok || bag.size() == 0);
    if (!ok)
        return 0;
    const VantelPropertyBag again = VantelPropertyBag::fromByteArray(bag.toByteArray(), &ok);
    FUZZ_CHECK(ok && again.names() == bag.names());
    control->LoadProperties(bag);
    return 0;
}
