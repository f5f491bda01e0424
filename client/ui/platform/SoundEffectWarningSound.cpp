#include "SoundEffectWarningSound.h"

#include <QUrl>

SoundEffectWarningSound::SoundEffectWarningSound(const QString& wavFile)
    : m_file(wavFile)
{
}

// The file is loaded on first use: a window that never warns never opens the
// audio device.
void SoundEffectWarningSound::play()
{
    if (m_effect.source().isEmpty())
        m_effect.setSource(QUrl::fromLocalFile(m_file));
    m_effect.play();
}
