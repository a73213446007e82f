#pragma once
// The program's windows are raster-only (Qt::AA_ForceRasterWidgets), so that
// the GL stack loads only for a window that shows a GL view. A GL view asks
// here for its window to be made GL-capable when it is made.

class QWidget;

class QJXGlWindow
{
public:
    // Gives the window of widget a native window that can show GL views: one
    // not made yet is made now; a raster one is made again, and when shown it
    // is hidden and shown around that without ending a running exec() and
    // keeping its place and modality. Nothing when windows are not forced
    // raster or the window already can.
    static void prepare(QWidget *widget);
    // Whether widget's window has a native window that can show GL views.
    static bool isGlCapable(const QWidget *widget);
};
