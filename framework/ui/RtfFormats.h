#pragma once

#include "framework/rtf/Rtf.h"

#include <QFont>
#include <QTextCharFormat>
#include <QTextFormat>

// Between the RTF codec's formats and the toolkit's, as the edit control
// holds them: what the bridge over the control's document and the one over
// the text model both convert with, so that the two write the same RTF.
namespace RtfFormats {

// The format property holding a run's \fcharsetN (the edit control's too).
constexpr int kCharsetProperty = QTextFormat::UserProperty + 0x51;

Rtf::Alignment ToRtf(Qt::Alignment alignment);
Qt::Alignment FromRtf(Rtf::Alignment alignment);

// Only what RTF can say is kept: the face, the size to the half point, the
// styles, a colour of its own and the charset.
Rtf::CharFormat ToRtf(const QTextCharFormat& format);
QTextCharFormat FromRtf(const Rtf::CharFormat& format);

// The control's base font as the writer names it: its face, and its size in
// half points (from pixels at 96 dpi when it has none in points).
Rtf::BaseFont BaseFontOf(const QFont& font);

} // namespace RtfFormats
