// Layout sizes of the two plot windows, in pixels, and the picture each
// window shows at its designed size. The windows lay themselves out from
// these, and the report tool draws its pictures at these sizes; no Qt here,
// so the tool needs no QtWidgets for them.
//
// FormResize works from the outer (frame) size. The frame assumed for the
// designed pictures is the one the forms were designed with: 4-pixel
// sizable borders (642 client -> 650 outer, as the error plot's smallest
// outer width shows) and a 19-pixel caption bar, so outer = client + (8, 27).
#pragma once

namespace gnsslog {

namespace DesignedFrame {
inline constexpr int Width = 8;    // left and right borders
inline constexpr int Height = 27;  // caption bar and top and bottom borders
}  // namespace DesignedFrame

// Histogram window: client 324 x 327 -> outer 332 x 354 -> image 312 x 294.
namespace HistogramWindowSize {
inline constexpr int DesignedClientWidth = 324;
inline constexpr int DesignedClientHeight = 327;
// Outer size minus these gives the image: room for the 10-pixel margins,
// the borders and the caption bar.
inline constexpr int WidthAroundImage = 20;
inline constexpr int HeightAroundImage = 60;
inline constexpr int SmallestImage = 100;  // width and height
inline constexpr int PictureWidth = DesignedClientWidth + DesignedFrame::Width - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight + DesignedFrame::Height - HeightAroundImage;
}  // namespace HistogramWindowSize

// Error plot window: client 642 x 438 -> outer 650 x 465 -> image 530 x 385.
namespace ErrorPlotWindowSize {
inline constexpr int DesignedClientWidth = 642;
inline constexpr int DesignedClientHeight = 438;
inline constexpr int MinimumOuterWidth = 650;
// Tall enough for the eight check boxes stacked above the scale group to
// start at the client's top edge: image top 16 + image (outer - 80) - group
// 116 - gap 30 - seven boxes of 20 = 0. The designed 328 put the last one,
// "DOP", 22 pixels above the window, out of reach.
inline constexpr int MinimumOuterHeight = 350;
// Outer size minus these gives the image: room for the controls on the
// right and the status bar below.
inline constexpr int WidthAroundImage = 120;
inline constexpr int HeightAroundImage = 80;
inline constexpr int PictureWidth = DesignedClientWidth + DesignedFrame::Width - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight + DesignedFrame::Height - HeightAroundImage;
}  // namespace ErrorPlotWindowSize

// Scatter plot window: the image fills the client but for a 10-pixel
// margin and the scale column on the right; it does not depend on the frame.
namespace ScatterWindowSize {
inline constexpr int DesignedClientWidth = 560;
inline constexpr int DesignedClientHeight = 370;
inline constexpr int ControlColumn = 95;
inline constexpr int WidthAroundImage = 20 + ControlColumn;
inline constexpr int HeightAroundImage = 20;
inline constexpr int SmallestClientWidth = 330;
inline constexpr int SmallestClientHeight = 200;
inline constexpr int PictureWidth = DesignedClientWidth - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight - HeightAroundImage;
}  // namespace ScatterWindowSize

// Error CDF window: the image fills the client but for a 10-pixel margin.
namespace CdfWindowSize {
inline constexpr int DesignedClientWidth = 640;
inline constexpr int DesignedClientHeight = 340;
inline constexpr int WidthAroundImage = 20;
inline constexpr int HeightAroundImage = 20;
inline constexpr int SmallestClientWidth = 360;
inline constexpr int SmallestClientHeight = 180;
inline constexpr int PictureWidth = DesignedClientWidth - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight - HeightAroundImage;
}  // namespace CdfWindowSize

// Track window: the image fills the client but for a 10-pixel margin.
namespace TrackWindowSize {
inline constexpr int DesignedClientWidth = 600;
inline constexpr int DesignedClientHeight = 500;
inline constexpr int WidthAroundImage = 20;
inline constexpr int HeightAroundImage = 20;
inline constexpr int SmallestClientWidth = 300;
inline constexpr int SmallestClientHeight = 250;
inline constexpr int PictureWidth = DesignedClientWidth - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight - HeightAroundImage;
}  // namespace TrackWindowSize

// Stanford plot window: the image fills the client but for a 10-pixel
// margin; two square panels side by side.
namespace StanfordWindowSize {
inline constexpr int DesignedClientWidth = 760;
inline constexpr int DesignedClientHeight = 420;
inline constexpr int WidthAroundImage = 20;
inline constexpr int HeightAroundImage = 20;
inline constexpr int SmallestClientWidth = 400;
inline constexpr int SmallestClientHeight = 250;
inline constexpr int PictureWidth = DesignedClientWidth - WidthAroundImage;
inline constexpr int PictureHeight = DesignedClientHeight - HeightAroundImage;
}  // namespace StanfordWindowSize

}  // namespace gnsslog
