#include "CameraCrossing.h"

QString CameraMethodName(CameraCrossing::Method method) {
    return method == CameraCrossing::Method::Band ? QStringLiteral("band")
                                                  : QStringLiteral("marker");
}
