#pragma once
// The connections between the library panel, the recordings table's parts
// and the playback bar, made in one place for the main window (and the
// tests that stand in for it).

class QFileListWgt;
class QLibraryPlayListWgt;
class QPlayControlWgt;

namespace LibraryConnections {

// The panel's list signals to the table's slots, and the table's playing
// entry back to the panel. All direct: the table acts on an entry before
// the panel changes or deletes it.
void connectPanelAndTable(QLibraryPlayListWgt *panel, QFileListWgt *table);
// Play lists, files, play state, renames and removals between the table
// and the playback bar; the end of the list also to the panel.
void connectTableAndPlayBar(QFileListWgt *table, QPlayControlWgt *bar, QLibraryPlayListWgt *panel);

} // namespace LibraryConnections
