#include "CameraSetupWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "CameraCapture.h"
#include "Clock.h"
#include "MarkerSheet.h"

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
const QList<QSize> kResolutions = {{640, 480}, {1280, 720}, {1920, 1080}};

QSpinBox* SetupSpin(const char* name, int low, int high, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(low, high);
    return spin;
}

}  // namespace

CameraSetupWindow::CameraSetupWindow(const Clock& clock, QString ini_path,
                                     const QStringList& kart_names, QWidget* parent)
    : QDialog(parent), clock_(clock), ini_path_(std::move(ini_path)), kart_names_(kart_names) {
    setObjectName(QStringLiteral("CameraSetupWindow"));
    setWindowTitle(QStringLiteral("Camera at the line"));
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("CameraPicture"));
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setStyleSheet(QStringLiteral("background: #202020; color: #c0c0c0;"));
    picture_->setText(QStringLiteral("No picture: \"Live picture\" starts the camera"));
    status_ = new QLabel(QStringLiteral("Camera off"), this);
    status_->setObjectName(QStringLiteral("CameraState"));

    auto* form = new QFormLayout;
    enabled_ = new QCheckBox(QStringLiteral("Camera times karts during sessions"), this);
    enabled_->setObjectName(QStringLiteral("CameraEnabled"));
    form->addRow(enabled_);
    device_ = new QLineEdit(this);
    device_->setObjectName(QStringLiteral("CameraDevice"));
    device_->setToolTip(QStringLiteral("0, /dev/video2, gst:PIPELINE or file:CLIP"));
    form->addRow(QStringLiteral("Camera"), device_);
    resolution_ = new QComboBox(this);
    resolution_->setObjectName(QStringLiteral("CameraResolution"));
    for (const QSize& size : kResolutions) {
        resolution_->addItem(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height()));
    }
    form->addRow(QStringLiteral("Resolution"), resolution_);
    fps_ = SetupSpin("CameraFps", 1, 1000, this);
    form->addRow(QStringLiteral("Frames per second"), fps_);
    shutter_ = SetupSpin("CameraShutter", 0, 1000000, this);
    shutter_->setSpecialValueText(QStringLiteral("camera's own"));
    shutter_->setSuffix(QStringLiteral(" µs"));
    form->addRow(QStringLiteral("Shutter"), shutter_);
    line_ = SetupSpin("CameraLine", -1, 7679, this);
    line_->setSpecialValueText(QStringLiteral("middle"));
    form->addRow(QStringLiteral("Line (column)"), line_);
    marker_mm_ = SetupSpin("CameraMarkerSize", 20, 2000, this);
    marker_mm_->setSuffix(QStringLiteral(" mm"));
    form->addRow(QStringLiteral("Marker size"), marker_mm_);
    speed_ = SetupSpin("CameraTopSpeed", 5, 400, this);
    speed_->setSuffix(QStringLiteral(" km/h"));
    form->addRow(QStringLiteral("Top speed"), speed_);
    advice_ = new QLabel(this);
    advice_->setObjectName(QStringLiteral("CameraShutterAdvice"));
    advice_->setWordWrap(true);
    form->addRow(advice_);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        QSpinBox* spin = SetupSpin("", -1, 49, this);
        spin->setObjectName(QStringLiteral("CameraMarker%1").arg(slot));
        spin->setSpecialValueText(QStringLiteral("none"));
        markers_[size_t(slot - 1)] = spin;
        const QString name = kart_names_.value(slot - 1);
        form->addRow(QStringLiteral("Kart %1 %2marker")
                         .arg(slot)
                         .arg(name.isEmpty() ? QString() : name + " "),
                     spin);
    }

    auto* preview = new QPushButton(QStringLiteral("Live picture"), this);
    preview->setObjectName(QStringLiteral("CameraPreviewButton"));
    preview->setCheckable(true);
    auto* sheet = new QPushButton(QStringLiteral("Marker sheet (PDF)..."), this);
    sheet->setObjectName(QStringLiteral("CameraSheetButton"));
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("CameraSaveButton"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {preview, sheet, save, close}) {
        buttons->addWidget(button);
    }
    auto* left = new QVBoxLayout;
    left->addWidget(picture_);
    left->addWidget(status_);
    left->addLayout(buttons);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left);
    main->addLayout(form);

    ShowSettings(LoadCameraSettings(ini_path_));
    for (QSpinBox* spin : {fps_, shutter_, marker_mm_, speed_}) {
        connect(spin, &QSpinBox::valueChanged, this, &CameraSetupWindow::UpdateAdvice);
    }
    connect(preview, &QPushButton::toggled, this, &CameraSetupWindow::SetPreview);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, [this] {
        QString error;
        if (!Save(&error)) {
            QMessageBox::warning(this, windowTitle(), error);
        }
    });
    connect(sheet, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Marker sheet"),
                                                          QStringLiteral("markers.pdf"),
                                                          QStringLiteral("PDF (*.pdf)"));
        QString error;
        if (!path.isEmpty() && !WriteSheet(path, &error)) {
            QMessageBox::warning(this, windowTitle(), error);
        }
    });
}

CameraSetupWindow::~CameraSetupWindow() = default;

void CameraSetupWindow::ShowSettings(const CameraSettings& s) {
    enabled_->setChecked(s.enabled);
    device_->setText(s.device);
    const int size = kResolutions.indexOf(QSize(s.width, s.height));
    resolution_->setCurrentIndex(size >= 0 ? size : 0);
    fps_->setValue(s.fps);
    shutter_->setValue(s.shutter_us);
    line_->setValue(s.line_x);
    marker_mm_->setValue(s.marker_mm);
    speed_->setValue(s.top_speed_kmh);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        markers_[size_t(slot - 1)]->setValue(s.marker_of_slot[size_t(slot - 1)]);
    }
    UpdateAdvice();
}

CameraSettings CameraSetupWindow::settings() const {
    CameraSettings s = LoadCameraSettings(ini_path_);  // keeps what the window does not show
    s.enabled = enabled_->isChecked();
    s.device = device_->text().trimmed();
    const QSize size = kResolutions.value(resolution_->currentIndex(), kResolutions.first());
    s.width = size.width();
    s.height = size.height();
    s.fps = fps_->value();
    s.shutter_us = shutter_->value();
    s.line_x = line_->value();
    s.marker_mm = marker_mm_->value();
    s.top_speed_kmh = speed_->value();
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        s.marker_of_slot[size_t(slot - 1)] = markers_[size_t(slot - 1)]->value();
    }
    return s;
}

void CameraSetupWindow::UpdateAdvice() {
    const CameraSettings s = settings();
    advice_->setText(ShutterAdvice(s));
}

void CameraSetupWindow::SetPreview(bool on) {
    preview_.reset();
    if (!on) {
        status_->setText(QStringLiteral("Camera off"));
        return;
    }
    CameraCapture::Source source = CaptureSourceFor(settings());
    source.preview = true;
    preview_ = std::make_unique<CameraCapture>(clock_, source);
    connect(preview_.get(), &CameraCapture::frameReady, this, [this](const QImage& picture) {
        picture_->setPixmap(QPixmap::fromImage(
            picture.scaled(picture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    });
    connect(preview_.get(), &CameraCapture::statusChanged, this,
            [this](const CameraStatus& status) { status_->setText(status.Text()); });
    preview_->Start();
}

bool CameraSetupWindow::Save(QString* error_message) {
    return SaveCameraSettings(ini_path_, settings(), error_message);
}

bool CameraSetupWindow::WriteSheet(const QString& pdf_path, QString* error_message) const {
    const CameraSettings s = settings();
    std::vector<SheetMarker> markers;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const int id = s.marker_of_slot[size_t(slot - 1)];
        if (id >= 0) {
            const QString name = kart_names_.value(slot - 1);
            markers.push_back({id, QStringLiteral("Kart %1%2 - marker %3")
                                       .arg(slot)
                                       .arg(name.isEmpty() ? QString() : QStringLiteral(" ") + name)
                                       .arg(id)});
        }
    }
    if (markers.empty()) {
        *error_message = QStringLiteral("No kart has a marker yet.");
        return false;
    }
    return WriteMarkerSheet(pdf_path, markers, s.marker_mm, error_message);
}
