#include "SimulatedCameraFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

// Walks one document and stops at the first fault, remembering where it was.
class Reader {
public:
    QString error;

    bool fail(const QString &where, const QString &what) {
        if (error.isEmpty())
            error = QStringLiteral("at %1: %2").arg(where, what);
        return false;
    }

    bool onlyKnownKeys(const QJsonObject &object, const QString &where,
                       std::initializer_list<const char *> known) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool found = false;
            for (const char *key : known)
                found = found || it.key() == QLatin1String(key);
            if (!found)
                return fail(where, QStringLiteral("unknown key \"%1\"").arg(it.key()));
        }
        return true;
    }

    bool readInt(const QJsonObject &object, const char *key, const QString &where,
                 std::int32_t *out, std::int64_t lowest = std::numeric_limits<std::int32_t>::min(),
                 std::int64_t highest = std::numeric_limits<std::int32_t>::max()) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return true;
        const double number = value.toDouble();
        if (!value.isDouble() || std::floor(number) != number || number < double(lowest) ||
            number > double(highest))
            return fail(
                where + "." + key,
                QStringLiteral("expected a whole number from %1 to %2").arg(lowest).arg(highest));
        *out = static_cast<std::int32_t>(static_cast<std::int64_t>(number));
        return true;
    }

    bool readBool(const QJsonObject &object, const char *key, const QString &where, bool *out) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return true;
        if (!value.isBool())
            return fail(where + "." + key, QStringLiteral("expected true or false"));
        *out = value.toBool();
        return true;
    }

    bool readFailureCode(const QJsonObject &object, const QString &where, capture::Result *out) {
        const QJsonValue value = object.value(QLatin1String("setFails"));
        if (value.isUndefined())
            return true;
        const QString text = value.toString();
        bool ok = false;
        const uint code = text.midRef(2).toUInt(&ok, 16);
        if (!value.isString() || !text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ||
            text.size() > 10 || !ok || code == 0)
            return fail(where + ".setFails",
                        QStringLiteral("expected a failure code written as \"0x\" and up to 8 "
                                       "hexadecimal digits, not zero"));
        *out = static_cast<capture::Result>(code);
        return true;
    }

    bool readControl(const QJsonValue &value, const QString &where, SimulatedControl *control) {
        if (!value.isObject())
            return fail(where, QStringLiteral("expected an object"));
        const QJsonObject object = value.toObject();
        if (!onlyKnownKeys(object, where,
                           {"min", "max", "step", "default", "caps", "value", "flags", "getFails",
                            "setFails"}))
            return false;
        if (!object.contains(QLatin1String("min")) || !object.contains(QLatin1String("max")))
            return fail(where, QStringLiteral("\"min\" and \"max\" are required"));
        if (!readInt(object, "min", where, &control->min) ||
            !readInt(object, "max", where, &control->max))
            return false;
        if (control->min > control->max)
            return fail(where, QStringLiteral("\"min\" is greater than \"max\""));
        control->defaultValue = control->min;
        control->caps = capture::kFlagManual;
        if (!readInt(object, "step", where, &control->step) ||
            !readInt(object, "default", where, &control->defaultValue) ||
            !readInt(object, "caps", where, &control->caps))
            return false;
        control->value = control->defaultValue;
        control->flags = capture::kFlagManual;
        return readInt(object, "value", where, &control->value) &&
               readInt(object, "flags", where, &control->flags) &&
               readBool(object, "getFails", where, &control->getFails) &&
               readFailureCode(object, where, &control->setFailure);
    }

    bool readFamily(const QJsonObject &camera, const char *key, const QString &cameraWhere,
                    std::optional<SimulatedControlFamily> *out) {
        const QJsonValue value = camera.value(QLatin1String(key));
        if (value.isUndefined())
            return true;
        const QString where = cameraWhere + "." + key;
        if (!value.isObject())
            return fail(where, QStringLiteral("expected an object keyed by property id"));
        SimulatedControlFamily family;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString controlWhere = where + ".\"" + it.key() + "\"";
            bool isNumber = !it.key().isEmpty();
            for (QChar c : it.key())
                isNumber = isNumber && c >= '0' && c <= '9';
            const qlonglong id = it.key().toLongLong();
            if (!isNumber || id > std::numeric_limits<std::int32_t>::max())
                return fail(controlWhere, QStringLiteral("a property id must be a decimal number"));
            SimulatedControl control;
            if (!readControl(it.value(), controlWhere, &control))
                return false;
            family[static_cast<std::int32_t>(id)] = control;
        }
        *out = family;
        return true;
    }

    bool readPowerLine(const QJsonObject &camera, const QString &cameraWhere,
                       std::optional<SimulatedPowerLine> *out) {
        const QJsonValue value = camera.value(QLatin1String("powerLine"));
        if (value.isUndefined())
            return true;
        const QString where = cameraWhere + ".powerLine";
        if (!value.isObject())
            return fail(where, QStringLiteral("expected an object"));
        const QJsonObject object = value.toObject();
        SimulatedPowerLine powerLine;
        std::int32_t flags = 0;
        if (!onlyKnownKeys(object, where, {"value", "flags", "getFails", "setFails"}) ||
            !readInt(object, "value", where, &powerLine.value) ||
            !readInt(object, "flags", where, &flags, 0) ||
            !readBool(object, "getFails", where, &powerLine.getFails) ||
            !readBool(object, "setFails", where, &powerLine.setFails))
            return false;
        powerLine.flags = static_cast<std::uint32_t>(flags);
        *out = powerLine;
        return true;
    }

    bool readCamera(const QJsonValue &value, const QString &where, SimulatedCamera *camera) {
        if (!value.isObject())
            return fail(where, QStringLiteral("expected an object"));
        const QJsonObject object = value.toObject();
        if (!onlyKnownKeys(object, where,
                           {"path", "friendlyName", "bindFails", "videoProcAmp", "cameraControl",
                            "powerLine"}))
            return false;
        const QJsonValue path = object.value(QLatin1String("path"));
        if (!path.isString() || path.toString().isEmpty())
            return fail(where + ".path", QStringLiteral("expected a non-empty text"));
        camera->path = path.toString().toStdString();
        const QJsonValue name = object.value(QLatin1String("friendlyName"));
        if (!name.isUndefined()) {
            if (!name.isString())
                return fail(where + ".friendlyName", QStringLiteral("expected a text"));
            camera->friendlyName = name.toString().toStdString();
        }
        camera->source = object;
        return readBool(object, "bindFails", where, &camera->bindFails) &&
               readFamily(object, "videoProcAmp", where, &camera->videoProcAmp) &&
               readFamily(object, "cameraControl", where, &camera->cameraControl) &&
               readPowerLine(object, where, &camera->powerLine);
    }
};

QString lineAndColumn(const QByteArray &json, int offset) {
    int line = 1;
    int lineStart = 0;
    for (int i = 0; i < offset && i < json.size(); ++i) {
        if (json.at(i) == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(offset - lineStart + 1);
}

const char kBuiltInCameras[] = R"json({ "cameras": [
{
    "path": "@device:pnp:\\\\?\\usb#vid_1a2b&pid_3c4d&mi_00#6&2b1c7f0&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
    "friendlyName": "Velt DocCam V4",
    "videoProcAmp": {
        "0": { "min": -64, "max": 64, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "1": { "min": 0, "max": 64, "step": 1, "default": 32, "caps": 2, "value": 32, "flags": 2 },
        "2": { "min": -180, "max": 180, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "3": { "min": 0, "max": 128, "step": 1, "default": 64, "caps": 2, "value": 64, "flags": 2 },
        "4": { "min": 0, "max": 7, "step": 1, "default": 3, "caps": 2, "value": 3, "flags": 2 },
        "5": { "min": 100, "max": 500, "step": 1, "default": 300, "caps": 2, "value": 300, "flags": 2 },
        "6": { "min": 0, "max": 1, "step": 1, "default": 1, "caps": 2, "value": 1, "flags": 2 },
        "7": { "min": 2800, "max": 6500, "step": 10, "default": 4600, "caps": 3, "value": 4600, "flags": 1 },
        "8": { "min": 0, "max": 2, "step": 1, "default": 1, "caps": 2, "value": 1, "flags": 2 },
        "9": { "min": 0, "max": 100, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 }
    },
    "cameraControl": {
        "0": { "min": -180, "max": 180, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "1": { "min": -180, "max": 180, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "2": { "min": -180, "max": 180, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "3": { "min": 100, "max": 500, "step": 1, "default": 100, "caps": 2, "value": 100, "flags": 2 },
        "4": { "min": -13, "max": -1, "step": 1, "default": -6, "caps": 3, "value": -6, "flags": 1 },
        "5": { "min": 0, "max": 10, "step": 1, "default": 5, "caps": 2, "value": 5, "flags": 2 },
        "6": { "min": 0, "max": 1023, "step": 1, "default": 300, "caps": 3, "value": 300, "flags": 1 },
        "19": { "min": 0, "max": 1, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 }
    },
    "powerLine": { "value": 2, "flags": 0 }
},
{
    "path": "@device:pnp:\\\\?\\usb#vid_1a2b&pid_1f05&mi_00#6&1a9e3c2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
    "friendlyName": "Velt WebCam W1080",
    "videoProcAmp": {
        "0": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 },
        "1": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 },
        "2": { "min": -180, "max": 180, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "3": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 },
        "4": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 },
        "5": { "min": 72, "max": 500, "step": 1, "default": 100, "caps": 2, "value": 100, "flags": 2 },
        "6": { "min": 0, "max": 1, "step": 1, "default": 1, "caps": 2, "value": 1, "flags": 2 },
        "7": { "min": 2000, "max": 6500, "step": 1, "default": 4000, "caps": 3, "value": 4000, "flags": 1 },
        "8": { "min": 0, "max": 1, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 },
        "9": { "min": 0, "max": 255, "step": 1, "default": 0, "caps": 2, "value": 0, "flags": 2 }
    },
    "cameraControl": {
        "4": { "min": -11, "max": -2, "step": 1, "default": -5, "caps": 3, "value": -5, "flags": 1 },
        "5": { "min": 0, "max": 10, "step": 1, "default": 5, "caps": 2, "value": 5, "flags": 2 },
        "6": { "min": 0, "max": 250, "step": 5, "default": 0, "caps": 3, "value": 0, "flags": 1 }
    },
    "powerLine": { "value": 1, "flags": 0 }
},
{
    "path": "@device:pnp:\\\\?\\usb#vid_1a2b&pid_ffff&mi_00#6&3f0d5a1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
    "friendlyName": "Generic USB Camera",
    "videoProcAmp": {
        "0": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 },
        "1": { "min": 0, "max": 255, "step": 1, "default": 128, "caps": 2, "value": 128, "flags": 2 }
    },
    "powerLine": { "value": 1, "flags": 0 }
}
] })json";

}  // namespace

SimulatedCameraLoad parseSimulatedCameras(const QByteArray &json, const QString &sourceName) {
    SimulatedCameraLoad load;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        load.error =
            QStringLiteral("%1: not valid JSON at %2: %3")
                .arg(sourceName, lineAndColumn(json, parseError.offset), parseError.errorString());
        return load;
    }
    Reader reader;
    const QJsonValue cameras = document.object().value(QLatin1String("cameras"));
    if (!document.isObject() || !cameras.isArray()) {
        reader.fail(QStringLiteral("top level"),
                    QStringLiteral("expected an object with a \"cameras\" array"));
    } else {
        const QJsonArray list = cameras.toArray();
        for (int i = 0; i < list.size(); ++i) {
            SimulatedCamera camera;
            if (!reader.readCamera(list.at(i), QStringLiteral("cameras[%1]").arg(i), &camera))
                break;
            load.cameras.push_back(camera);
        }
    }
    if (!reader.error.isEmpty()) {
        load.cameras.clear();
        load.error = sourceName + ": " + reader.error;
        return load;
    }
    load.ok = true;
    return load;
}

SimulatedCameraLoad loadSimulatedCameraFile(const QString &fileName) {
    // A FIFO would block the read for good and a device such as /dev/zero never ends.
    if (QFileInfo::exists(fileName) && !QFileInfo(fileName).isFile()) {
        SimulatedCameraLoad load;
        load.error = QStringLiteral("%1: cannot be read: not a regular file").arg(fileName);
        return load;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        SimulatedCameraLoad load;
        load.error = QStringLiteral("%1: cannot be read: %2").arg(fileName, file.errorString());
        return load;
    }
    return parseSimulatedCameras(file.readAll(), fileName);
}

std::vector<SimulatedCamera> builtInSimulatedCameras() {
    return parseSimulatedCameras(QByteArray(kBuiltInCameras), QString()).cameras;
}
