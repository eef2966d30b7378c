// Qt pieces of the desktop platform: the main window's host side, message
// boxes and the text rasteriser.
namespace kobre::platform::qt {}
