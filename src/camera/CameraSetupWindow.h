#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "CameraSettings.h"

class CameraCapture;
class Clock;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "Camera at the line": the live picture with the line, the band and the markers read,
// the camera's settings, the shutter the set-up needs, which marker each kart carries,
// and the printable marker sheet. Saved in section [Camera] of ustawienia.ini.
class CameraSetupWindow : public QDialog {
    Q_OBJECT

  public:
    CameraSetupWindow(const Clock& clock, QString ini_path, const QStringList& kart_names,
                      QWidget* parent = nullptr);
    ~CameraSetupWindow() override;

    CameraSettings settings() const;
    // Starts or stops the live picture (a capture thread of its own).
    void SetPreview(bool on);
    bool Save(QString* error_message);
    bool WriteSheet(const QString& pdf_path, QString* error_message) const;

  private:
    void ShowSettings(const CameraSettings& settings);
    void UpdateAdvice();

    const Clock& clock_;
    QString ini_path_;
    QStringList kart_names_;
    std::unique_ptr<CameraCapture> preview_;
    QLabel* picture_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* advice_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QLineEdit* device_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QSpinBox* fps_ = nullptr;
    QSpinBox* shutter_ = nullptr;
    QSpinBox* line_ = nullptr;
    QSpinBox* marker_mm_ = nullptr;
    QSpinBox* speed_ = nullptr;
    std::array<QSpinBox*, kSlotCount> markers_{};
};
