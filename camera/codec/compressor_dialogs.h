#pragma once
// The About box and the configuration dialog of a compressor entry: Qt dialogs, modal over the
// given parent, always shown on the application's UI thread.
#include "camera/codec/compressor_table.h"

class QWidget;

namespace codec {

// False when no dialog can be shown (no QApplication).
bool ShowAboutBox(const CompressorEntry& entry, QWidget* parent);
// Shows the entry's settings; OK stores the choices for the rest of the run. False when the entry
// has no settings or no dialog can be shown.
bool ShowConfigurationDialog(const CompressorEntry& entry, QWidget* parent);

}  // namespace codec
