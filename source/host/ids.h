// Ids the host defines: element types, its own parameters, messages, undo kinds and data types.
// Every host id the module uses is written here once.
#pragma once

#include <cstdint>

namespace flumpet::host {

/// Object types.
namespace type {
inline constexpr int32_t Polygon = 5100;
inline constexpr int32_t Spline = 5101;
inline constexpr int32_t Null = 5140;
inline constexpr int32_t AnyObject = 5155;
inline constexpr int32_t Cube = 5159;
inline constexpr int32_t Sphere = 5160;
inline constexpr int32_t Cone = 5162;
inline constexpr int32_t Cylinder = 5170;
inline constexpr int32_t SubdivisionSurface = 1007455;
inline constexpr int32_t Tracer = 1018655;
inline constexpr int32_t Joint = 1019362;
inline constexpr int32_t Spring = 180000010;
inline constexpr int32_t Connector = 180000011;
} // namespace type

/// Tag types.
namespace tagtype {
inline constexpr int32_t Phong = 5612;
inline constexpr int32_t Texture = 5616;
inline constexpr int32_t Protection = 5629;
inline constexpr int32_t Constraint = 1019364;
inline constexpr int32_t Weight = 1019365;
inline constexpr int32_t SkinBinding = 1024237;
inline constexpr int32_t DynamicsBody = 180000102;
} // namespace tagtype

/// Sizes of the primitive objects (scene units). A new primitive carries the defaults below.
namespace primitive {
/// Cube: edge lengths along its X, Y and Z axes, a vector (default 200, 200, 200).
inline constexpr int32_t CubeSize = 1100;
/// Sphere: radius (default 100).
inline constexpr int32_t SphereRadius = 1110;
/// Cylinder: radius (default 50) and height along its Y axis (default 200).
inline constexpr int32_t CylinderRadius = 1120;
inline constexpr int32_t CylinderHeight = 1121;
/// Cone: top and bottom radius (defaults 0 and 100) and height along its Y axis (default 200).
inline constexpr int32_t ConeTopRadius = 1130;
inline constexpr int32_t ConeBottomRadius = 1131;
inline constexpr int32_t ConeHeight = 1132;
/// Settings the rope builder writes on its spheres and cones; their meaning is the host's.
inline constexpr int32_t SphereSegments = 1111;
inline constexpr int32_t SphereType = 1112;
inline constexpr int32_t ConeHeightSegments = 1133;
inline constexpr int32_t ConeRotationSegments = 1135;
inline constexpr int32_t ConeCaps = 1144;
} // namespace primitive

/// Parameters of the null object: how it is drawn, its size and the plane it is drawn in.
namespace nullparam {
inline constexpr int32_t Display = 1000;
inline constexpr int32_t Radius = 1001;
inline constexpr int32_t Orientation = 1003;
} // namespace nullparam

/// Parameters of the tracer object. Objects is the in/exclude list of the objects whose
/// positions it joins into a line; the others are named by what the rope builder writes.
namespace tracerparam {
inline constexpr int32_t Mode = 1000;
inline constexpr int32_t Type = 1001;
inline constexpr int32_t Objects = 1100;
inline constexpr int32_t LimitMode = 1105;
inline constexpr int32_t Interpolation = 1110;
} // namespace tracerparam

/// Parameters of the subdivision surface object.
namespace subdivision {
inline constexpr int32_t EditorLevel = 1000;
inline constexpr int32_t RenderLevel = 1001;
} // namespace subdivision

/// Parameters of the constraint tag in its clamp set-up. What most of them mean is the host's;
/// they are named by what the collider builder puts in them.
namespace constraint {
inline constexpr int32_t ClampEnabled = 1004;
inline constexpr int32_t ClampTolerance = 2400;
inline constexpr int32_t ClampTo = 2408;
inline constexpr int32_t ClampAxis = 2410;
/// The target mesh, a link.
inline constexpr int32_t Target = 50001;
/// The clamp's sub-container and its entries.
inline constexpr int32_t ClampSettings = 50004;
inline constexpr int32_t ClampMode = 1;
/// Written by the scene update while Measure is on: the distance (scene units, world space)
/// from the tag's object's position to the nearest point of the target mesh as deformed.
inline constexpr int32_t MeasuredDistance = 9;
/// The switch that makes the scene update measure.
inline constexpr int32_t Measure = 1000999;
} // namespace constraint

/// Parameters of the dynamics body tag. Those without a comment are named by the value the
/// builders put in them; their meaning is the host's.
namespace bodytag {
inline constexpr int32_t Dynamic = 11006;
inline constexpr int32_t SetInitialState = 11009;
inline constexpr int32_t CollisionNoise = 11017;
inline constexpr int32_t ShapeKind = 11033;
inline constexpr int32_t Follow = 11011;
inline constexpr int32_t Density = 11012;
inline constexpr int32_t RotationMass = 11014;
/// Follow strengths in percent.
inline constexpr int32_t FollowPosition = 11062;
inline constexpr int32_t FollowRotation = 11063;
inline constexpr int32_t Friction = 11056;
inline constexpr int32_t Elasticity = 11057;
} // namespace bodytag

/// Parameters shared by the dynamics connector and spring objects. What they mean beyond the
/// values the builders write is the host's; they are named by what the builders put in them.
namespace forceparam {
/// Connector type (host::connectortype) or spring kind (host::springkind).
inline constexpr int32_t Type = 12071;
/// The two bodies, as links.
inline constexpr int32_t ObjectA = 12001;
inline constexpr int32_t ObjectB = 12002;
inline constexpr int32_t Visible = 12003;
/// Size drawn in the viewport (scene units).
inline constexpr int32_t DisplaySize = 12004;
/// The axis of the object (host::forceaxis) that each body's reference follows.
inline constexpr int32_t AxisA = 12005;
inline constexpr int32_t AxisB = 12006;
} // namespace forceparam

/// Axis codes of forceparam::AxisA and AxisB.
namespace forceaxis {
inline constexpr int32_t X = 0;
inline constexpr int32_t Y = 1;
inline constexpr int32_t Z = 2;
} // namespace forceaxis

/// Parameters of the connector object (angles in radians).
namespace connectorparam {
inline constexpr int32_t AngularLimit = 12401;
/// The angle range: start at most end.
inline constexpr int32_t AngleStart = 12402;
inline constexpr int32_t AngleEnd = 12403;
inline constexpr int32_t PrimaryAngle = 12421;
inline constexpr int32_t PrimaryAngleFlag = 12422;
inline constexpr int32_t FixedAngle = 12423;
/// Linear limits along the connector (scene units).
inline constexpr int32_t LinearMode = 12311;
inline constexpr int32_t LinearMinOn = 12431;
inline constexpr int32_t LinearMin = 12432;
inline constexpr int32_t LinearMaxOn = 12433;
inline constexpr int32_t LinearMax = 12434;
} // namespace connectorparam

/// Connector types the builders make.
namespace connectortype {
inline constexpr int32_t Hinge = 0;
inline constexpr int32_t Ragdoll = 3;
/// The one type with linear limits.
inline constexpr int32_t Slider = 4;
inline constexpr int32_t Planar = 6;
} // namespace connectortype

/// Parameters of the spring object.
namespace springparam {
inline constexpr int32_t AnchorMode = 12051;
/// The anchor on body A, in A's own coordinates.
inline constexpr int32_t AnchorA = 12052;
inline constexpr int32_t AnchorBMode = 12061;
inline constexpr int32_t RestMode = 12101;
/// Rest angle of a twist spring (radians).
inline constexpr int32_t TwistAngle = 12111;
} // namespace springparam

/// Spring kinds (forceparam::Type of a spring).
namespace springkind {
inline constexpr int32_t Bend = 0;
inline constexpr int32_t Twist = 1;
} // namespace springkind

/// Parameters of the dynamics settings scene hook that the skeleton builders tune. Their
/// meaning is the host's; they are named by what the builders write.
namespace dynamicsparam {
inline constexpr int32_t Enabled = 10000;
inline constexpr int32_t CollisionsOn = 10003;
inline constexpr int32_t TimeScale = 10002;
inline constexpr int32_t Gravity = 10022;
inline constexpr int32_t Substeps = 10011;
inline constexpr int32_t Iterations = 10012;
} // namespace dynamicsparam

/// Scene hooks of a document.
namespace hook {
inline constexpr int32_t DynamicsSettings = 180000100;
} // namespace hook

/// The dynamics settings hook's buttons and the cache settings they reset.
namespace dynamicshook {
inline constexpr int32_t CacheStartA = 10062;
inline constexpr int32_t CacheStartB = 10063;
inline constexpr int32_t CacheStartTime = 10064;
inline constexpr int32_t Bake = 10065;
inline constexpr int32_t ClearCache = 10066;
} // namespace dynamicshook

/// Document settings containers by kind, and what the bake buttons need of them.
namespace docsettings {
inline constexpr int32_t DynamicsKind = 2;
/// The dynamics' custom data entry in that container, and its custom type.
inline constexpr int32_t DynamicsData = 2117;
inline constexpr int32_t DynamicsDataType = 200000275;
} // namespace docsettings

/// Parameters every node or object has.
namespace param {
inline constexpr int32_t Name = 900;
inline constexpr int32_t EditorVisibility = 901;
inline constexpr int32_t RenderVisibility = 902;
inline constexpr int32_t RelativePosition = 903;
inline constexpr int32_t RelativeRotation = 904;
inline constexpr int32_t RelativeScale = 905;
inline constexpr int32_t GeneratorEnabled = 906;
inline constexpr int32_t UseDisplayColour = 907;
inline constexpr int32_t DisplayColour = 908;
/// Components of a vector parameter, addressed as a second level.
inline constexpr int32_t VectorX = 1000;
inline constexpr int32_t VectorY = 1001;
inline constexpr int32_t VectorZ = 1002;
/// Spline objects: interpolation (host::splinetype) and closed flag.
inline constexpr int32_t SplineType = 1000;
inline constexpr int32_t SplineClosed = 1002;
} // namespace param

/// Interpolations of a spline object (parameter param::SplineType).
namespace splinetype {
/// Straight spans between the points.
inline constexpr int32_t Linear = 0;
/// A smooth curve through every point (Catmull-Rom); the default.
inline constexpr int32_t Cubic = 1;
} // namespace splinetype

/// Modeling commands.
namespace mcommand {
inline constexpr int32_t SelectInverse = 202;
inline constexpr int32_t SelectConnected = 203;
inline constexpr int32_t Split = 220;
inline constexpr int32_t Triangulate = 221;
inline constexpr int32_t ConvertSelection = 247;
} // namespace mcommand

/// What a modeling command works on.
namespace mcommandmode {
inline constexpr int32_t All = 0;
inline constexpr int32_t PointSelection = 1;
inline constexpr int32_t PolygonSelection = 2;
} // namespace mcommandmode

/// Settings of modeling commands.
namespace mcommandparam {
/// Convert selection: source and target kind (host::selectionkind), and whether a polygon is
/// selected when any (not all) of its points is.
inline constexpr int32_t ConvertFrom = 2126;
inline constexpr int32_t ConvertTo = 2127;
inline constexpr int32_t ConvertTolerant = 2128;
} // namespace mcommandparam

/// Element kinds of the convert-selection command.
namespace selectionkind {
inline constexpr int32_t Points = 0;
inline constexpr int32_t Polygons = 2;
} // namespace selectionkind

/// Flags of modeling transactions.
namespace modelingflag {
inline constexpr int32_t None = 0;
/// Commit: rebuild the object's derived data at once (the embedded host always does).
inline constexpr int32_t CommitUpdate = 1;
} // namespace modelingflag

/// Kinds of mesh primitive a distance query answers with.
namespace meshprimitive {
inline constexpr int32_t Polygon = 3;
} // namespace meshprimitive

/// Parameters of a document.
namespace docparam {
inline constexpr int32_t Time = 1000;
inline constexpr int32_t FrameRate = 1001;
inline constexpr int32_t ModelingState = 1019;
} // namespace docparam

/// Value (data) types of parameters and description entries.
namespace datatype {
inline constexpr int32_t None = 0;
inline constexpr int32_t Long = 15;
inline constexpr int32_t Real = 19;
inline constexpr int32_t Time = 22;
inline constexpr int32_t Vector = 23;
inline constexpr int32_t Matrix = 25;
inline constexpr int32_t String = 130;
inline constexpr int32_t Link = 133;
inline constexpr int32_t Button = 400006000;
inline constexpr int32_t Bool = 400006001;
inline constexpr int32_t Group = 400006002;
inline constexpr int32_t Container = 5; // sub-container
/// The data type in the identifier of a button pressed on a host node.
inline constexpr int32_t ButtonPress = 8;
inline constexpr int32_t InExclude = 1009290;
inline constexpr int32_t SplineCurve = 1009060;
} // namespace datatype

/// Messages sent to nodes.
namespace msg {
inline constexpr int32_t Update = 5;
/// A description element was used; data: host::DescriptionUsed.
inline constexpr int32_t DescriptionUsed = 17;
inline constexpr int32_t DescriptionCommand = 18;
inline constexpr int32_t DescriptionPostSetParameter = 19;
inline constexpr int32_t MenuPrepare = 22;
inline constexpr int32_t DragAndDropCheck = 26;
inline constexpr int32_t DocumentEvent = 1001078;
inline constexpr int32_t ListElementRemoved = 1036464;
inline constexpr int32_t ListElementAdded = 1036465;
inline constexpr int32_t ReapplyAll = 431000140;
} // namespace msg

/// Document event kinds (message 1001078) the generator reacts to. Their meaning is the host's;
/// they are named by what the generator does on them.
namespace docevent {
inline constexpr int32_t StampVersion = 1001;
inline constexpr int32_t ResendValuesA = 1013;
inline constexpr int32_t ResendValuesB = 1014;
} // namespace docevent

/// The keyboard qualifier query: device, channel, and the entry that holds the key's state.
namespace input {
inline constexpr int32_t KeyboardDevice = 0x6B657962; // 'keyb'
inline constexpr int32_t QualifierChannel = 0xF012;
inline constexpr int32_t ValueEntry = 0x69707661; // 'ipva'
} // namespace input

/// Entry 16 of a generator's container, written when the object is made from the menu.
namespace param {
inline constexpr int32_t MenuCreated = 16;
} // namespace param

/// Undo record kinds.
namespace undo {
/// Before a change of a node's data and place (not its children).
inline constexpr int32_t Change = 40;
/// Before a change of a node's parameter container only.
inline constexpr int32_t ChangeSmall = 42;
/// After a new object or tag was inserted.
inline constexpr int32_t NewObject = 44;
/// Before an object or tag is removed.
inline constexpr int32_t DeleteObject = 45;
} // namespace undo

/// Dirty flags of a node.
namespace dirty {
inline constexpr int32_t Matrix = 2;
inline constexpr int32_t Data = 4;
inline constexpr int32_t Cache = 16;
} // namespace dirty

/// Flags of the selection query.
namespace selection {
inline constexpr int32_t None = 0;
/// Selected objects below other selected objects are given too; without it only the topmost
/// selected objects are (unselected children are never given).
inline constexpr int32_t Children = 1;
/// In the order the objects were selected, not hierarchy order.
inline constexpr int32_t SelectionOrder = 2;
} // namespace selection

/// Refresh request flags.
namespace refresh {
inline constexpr int32_t None = 0;
} // namespace refresh

/// Action codes of the module entry, and what it answers.
namespace action {
inline constexpr int32_t Initialise = 1;
inline constexpr int32_t Start = 2;
inline constexpr int32_t End = 3;
inline constexpr int32_t InterfaceVersion = 4;
inline constexpr int32_t Message = 6;
/// The interface version this host speaks (the answer to InterfaceVersion).
inline constexpr int32_t InterfaceVersionNumber = 5;
inline constexpr int32_t Ok = 1;
inline constexpr int32_t Failed = 0;
inline constexpr int32_t Unknown = -1;
inline constexpr int32_t VersionRefused = -3;
} // namespace action

/// Module-wide messages, delivered through the Message action.
namespace modulemsg {
/// Load the module's resource (string tables and descriptions).
inline constexpr int32_t LoadResource = 1;
/// A host query every module answers with true.
inline constexpr int32_t HostQuery = 450000215;
} // namespace modulemsg

/// Registration info flags of object plug-ins.
namespace objectinfo {
inline constexpr int32_t Generator = 4;
} // namespace objectinfo

/// Properties of a description entry (keys of its property container).
namespace descprop {
inline constexpr int32_t Name = 1;
inline constexpr int32_t ShortName = 2;
inline constexpr int32_t Min = 5;
inline constexpr int32_t Max = 6;
inline constexpr int32_t Step = 9;
inline constexpr int32_t Animate = 10;
inline constexpr int32_t Unit = 12;
inline constexpr int32_t Hide = 15;
inline constexpr int32_t Default = 16;
inline constexpr int32_t Accept = 17;
inline constexpr int32_t CustomGui = 21;
inline constexpr int32_t Columns = 22;
inline constexpr int32_t MinSlider = 27;
inline constexpr int32_t MaxSlider = 28;
inline constexpr int32_t ScaleH = 30;
/// Cycle entries of an integer: a sub-container from value to label.
inline constexpr int32_t Cycle = 31;
/// Settings of the curve editor element.
inline constexpr int32_t CurveGridH = 10000;
inline constexpr int32_t CurveGridV = 10001;
inline constexpr int32_t CurveEditH = 10002;
inline constexpr int32_t CurveEditV = 10003;
inline constexpr int32_t CurveXMin = 10006;
inline constexpr int32_t CurveXMax = 10007;
inline constexpr int32_t CurveYMin = 10009;
inline constexpr int32_t CurveYMax = 10010;
/// Values of Animate.
inline constexpr int32_t AnimateOff = 0;
inline constexpr int32_t AnimateOn = 1;
} // namespace descprop

/// User-interface elements of description entries.
namespace gui {
inline constexpr int32_t RealSlider = 1000489;
inline constexpr int32_t IntegerSlider = 1000490;
inline constexpr int32_t CurveEditor = 1009059;
inline constexpr int32_t LinkBox = 1009415;
} // namespace gui

/// Units of description entries (four-character codes).
namespace unit {
inline constexpr int32_t Metres = 0x666D6574; // fmet
} // namespace unit

/// Flags a description hook reports.
namespace descflags {
inline constexpr int32_t Loaded = 2;
} // namespace descflags

namespace primitive {
/// The axis a primitive is built along: 0 +X, 1 -X, 2 +Y, 3 -Y, 4 +Z, 5 -Z.
inline constexpr int32_t Axis = 1300;
} // namespace primitive

} // namespace flumpet::host
