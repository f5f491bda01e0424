#pragma once

#include "WarningSound.h"

#include <QSoundEffect>
#include <QString>

// The tone from a WAV file, played by Qt Multimedia. Without a sound server
// nothing is heard and nothing fails.
class SoundEffectWarningSound : public WarningSound
{
public:
    explicit SoundEffectWarningSound(const QString& wavFile);

    void play() override;

private:
    QString m_file;
    QSoundEffect m_effect;
};
