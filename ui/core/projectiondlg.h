// The UTM and State Plane dialogs: convert one coordinate typed by the user
// between latitude/longitude (decimal degrees, east and north positive) and
// UTM or State Plane (metres or US survey feet), and convert the map side of
// the workspace's control points. The values of both dialogs outlive them
// while the program runs, so a dialog opened again shows the last ones.
#pragma once

#include <string>

#include "georef/stateplane.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;

struct CUtmDialogValues {
  std::string ellipsoid;  // a name of the ellipsoid list, "WGS-84 (NAD83)" at first
  std::string zone;       // "17S"
  double northing = 0.0, easting = 0.0, latitude = 0.0, longitude = 0.0;
};
struct CStatePlaneDialogValues {
  std::string zone;  // "ALABAMA EAST - 101"; empty until the dialog first opens
  double northing = 0.0, easting = 0.0, latitude = 0.0, longitude = 0.0;
  int datum = 1;  // 0 NAD27, 1 NAD83
};
// The program-wide values.
CUtmDialogValues& UtmDialogValues();
CStatePlaneDialogValues& StatePlaneDialogValues();

// Dialog 211 kUtmTitle.
class CUtmConvertDlg : public CDialogModel {
 public:
  enum : int {
    kId = 211,
    kEllipsoid = 370,
    kNorthing = 371,
    kEasting = 372,
    kLatitude = 375,
    kLongitude = 376,
    kZone = 377,
    kUtmToLl = 368,
    kLlToUtm = 369,
    kUtmHelp = 373,
    kLlHelp = 374,
    kPointsToLl = 378,
    kPointsToUtm = 379
  };
  // The workspace whose control points the dialog may convert; may be null.
  explicit CUtmConvertDlg(CQznDoc* doc) : m_doc(doc) {}

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;

 private:
  // The ellipsoid row the text names; 0 after telling the user it names none.
  int EllipsoidRow() const;
  bool HasControlPoints() const;
  void LatLongToUtm(IDialogControls& c);
  void UtmToLatLong(IDialogControls& c);
  void PointsToUtm(IDialogControls& c);
  void PointsToLatLong(IDialogControls& c);

  CQznDoc* m_doc;
};

// Dialog 213 kStatePlaneTitle.
class CStatePlaneDlg : public CDialogModel {
 public:
  enum : int {
    kId = 213,
    kZone = 370,
    kNorthing = 371,
    kEasting = 372,
    kLatitude = 375,
    kLongitude = 376,
    kNad27 = 380,
    kNad83 = 310,
    kUnits = 356,
    kSplToLl = 368,
    kLlToSpl = 369,
    kSplHelp = 373,
    kLlHelp = 374,
    kPointsToLl = 378,
    kPointsToSpl = 379
  };
  explicit CStatePlaneDlg(CQznDoc* doc) : m_doc(doc) {}

  std::string units;  // kUnitMetre or kUnitFeet; metres each time the dialog opens

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;

 private:
  bool InFeet() const;
  // Sets the converter up for the chosen zone and datum; false after telling
  // the user why not.
  bool SetZone(int direction);
  bool HasControlPoints() const;
  void LatLongToPlane(IDialogControls& c);
  void PlaneToLatLong(IDialogControls& c);
  void PointsToPlane(IDialogControls& c);
  void PointsToLatLong(IDialogControls& c);

  CQznDoc* m_doc;
  CStatePlane m_converter;
};

}  // namespace qzn
