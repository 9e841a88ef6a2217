#include "CaptureBackendFactory.h"

#include <QByteArray>
#include <QString>
#include <cstdio>

#include "platform/simulated/SimulatedBackend.h"
#ifdef TINTWELL_HAVE_V4L2
#include "platform/v4l2/V4l2Backend.h"
#endif
#ifdef TINTWELL_HAVE_DIRECTSHOW
#include "platform/directshow/DirectShowBackend.h"
#endif

namespace {

std::unique_ptr<capture::Backend> createSimulated() {
    return createSimulatedBackend(QString::fromLocal8Bit(qgetenv("TINTWELL_SIMULATED_CAMERAS")));
}

std::unique_ptr<capture::Backend> createPlatformDefault() {
#if defined(TINTWELL_HAVE_DIRECTSHOW)
    return createDirectShowBackend();
#elif defined(TINTWELL_HAVE_V4L2)
    return createV4l2Backend();
#else
    return createSimulated();
#endif
}

std::unique_ptr<capture::Backend> createNamed(const QByteArray &name, bool *known) {
    *known = true;
    if (name == "simulated")
        return createSimulated();
#ifdef TINTWELL_HAVE_V4L2
    if (name == "v4l2")
        return createV4l2Backend();
#endif
#ifdef TINTWELL_HAVE_DIRECTSHOW
    if (name == "directshow")
        return createDirectShowBackend();
#endif
    *known = name == "v4l2" || name == "directshow";
    return nullptr;
}

}  // namespace

std::unique_ptr<capture::Backend> createCaptureBackend() {
    const QByteArray name = qgetenv("TINTWELL_CAMERA_BACKEND");
    if (name.isEmpty())
        return createPlatformDefault();
    bool known = false;
    if (std::unique_ptr<capture::Backend> backend = createNamed(name, &known))
        return backend;
    std::unique_ptr<capture::Backend> fallback = createPlatformDefault();
    std::fprintf(
        stderr,
        "tintwell: camera backend \"%s\" from TINTWELL_CAMERA_BACKEND is %s; using \"%s\"\n",
        name.constData(), known ? "not available in this build" : "unknown",
        fallback ? fallback->name() : "none");
    std::fflush(stderr);
    return fallback;
}
