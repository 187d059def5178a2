#pragma once

#include <QString>

class QWidget;

// The user guide: installed as <prefix>/<datadir>/doc/q3config/user-guide.md (found from the
// program's own directory), in a build tree the source tree's docs/user-guide.md.
QString UserGuidePath();
// Shows the guide in a window of its own (one at a time), or says where it was looked for.
void ShowUserGuide(QWidget* parent);
