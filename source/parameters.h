// Parameter symbols of the generator and of its description resource, with their ids.
//
// The one place the ids are written: the module includes this header, and the host reads it
// when it loads the description resource "Oflumpet" (which names entries by these symbols).
// Keep every symbol on one line of the form `inline constexpr int32_t SYMBOL = id;`.
#pragma once

#include <cstdint>

namespace flumpet {

// Bone slots: body chain (slots 0 to 5).
inline constexpr int32_t BODY_BONE_1 = 1003;
inline constexpr int32_t BODY_BONE_2 = 1004;
inline constexpr int32_t BODY_BONE_3 = 1005;
inline constexpr int32_t BODY_BONE_4 = 1006;
inline constexpr int32_t BODY_BONE_5 = 1008;
inline constexpr int32_t BODY_BONE_6 = 1009;
// First and second arm chains.
inline constexpr int32_t ARM_A_BONE_1 = 1014;
inline constexpr int32_t ARM_A_BONE_2 = 1016;
inline constexpr int32_t ARM_A_BONE_3 = 1018;
inline constexpr int32_t ARM_A_BONE_4 = 1020;
inline constexpr int32_t ARM_B_BONE_1 = 1015;
inline constexpr int32_t ARM_B_BONE_2 = 1017;
inline constexpr int32_t ARM_B_BONE_3 = 1019;
inline constexpr int32_t ARM_B_BONE_4 = 1021;
// First and second leg chains.
inline constexpr int32_t LEG_A_BONE_1 = 1027;
inline constexpr int32_t LEG_A_BONE_2 = 1029;
inline constexpr int32_t LEG_A_BONE_3 = 1031;
inline constexpr int32_t LEG_A_BONE_4 = 1033;
inline constexpr int32_t LEG_B_BONE_1 = 1028;
inline constexpr int32_t LEG_B_BONE_2 = 1030;
inline constexpr int32_t LEG_B_BONE_3 = 1032;
inline constexpr int32_t LEG_B_BONE_4 = 1034;
// Slot-group buttons: fill a group from the selected joints.
inline constexpr int32_t BODY_ASSIGN_SELECTED = 1010;
inline constexpr int32_t ARM_A_ASSIGN_SELECTED = 1022;
inline constexpr int32_t ARM_B_ASSIGN_SELECTED = 1023;
inline constexpr int32_t LEG_A_ASSIGN_SELECTED = 1035;
inline constexpr int32_t LEG_B_ASSIGN_SELECTED = 1036;

// Lists, switches and values.
inline constexpr int32_t SETTINGS_RETARGET_CHARACTER_MESH = 1037;
inline constexpr int32_t SETTINGS_CONTROL_FOLLOW_POSITION = 1044;
inline constexpr int32_t SETTINGS_CONTROL_FOLLOW_ROTATION = 1045;
inline constexpr int32_t SETTINGS_SELECTED_BONES_FOLLOW_POSITION = 1047;
inline constexpr int32_t SETTINGS_SELECTED_BONES_FOLLOW_ROTATION = 1048;
inline constexpr int32_t SETTINGS_SELECTED_BONES_SELECTED_BONES = 1051;
inline constexpr int32_t SETTINGS_CREATED_OBJECTS = 1058;
inline constexpr int32_t VERSION_TEXT = 1064;
inline constexpr int32_t CONNECTOR_MODE = 1103;
/// The connector mode that turns the generator into a rope builder.
inline constexpr int32_t RopeMode = 6;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION = 1105;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION = 1106;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY = 1107;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS = 1108;
inline constexpr int32_t ADDITIONAL_InEx_CREATED_OBJECTS = 1109;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_BOOL = 1112;
inline constexpr int32_t CUBES_COLLIDERS = 1115;
inline constexpr int32_t CUBES_COLLIDERS2 = 1117;

// Command buttons.
inline constexpr int32_t CMD_CREATE = 1042;
inline constexpr int32_t SETTINGS_CONTROL_ADD_SELECTED = 1049;
inline constexpr int32_t CMD_BAKE = 1053;
inline constexpr int32_t CMD_CLEAR_CACHE = 1054;
inline constexpr int32_t CMD_DELETE_CREATED = 1056;
inline constexpr int32_t CMD_SIMPLE_SOLVER = 1059;
inline constexpr int32_t CMD_GENERATE_COLLIDERS = 1060;
inline constexpr int32_t CMD_OPEN_DOCS = 1062;
inline constexpr int32_t CMD_OPEN_SITE = 1063;
inline constexpr int32_t CMD_GENERATE_SELECTED = 1102;
inline constexpr int32_t CMD_DELETE_EXTRA = 1110;
inline constexpr int32_t CMD_CONNECT_SELECTED = 1111;
inline constexpr int32_t CMD_CREATE_SPRINGS = 1113;

// Rope settings: entries the description hook adds at run time.
inline constexpr int32_t ROPE_JOINTS_AMOUNT = 1131;
inline constexpr int32_t ROPE_RADIUS = 1132;
inline constexpr int32_t ROPE_ENDS_FIXED = 1133;
inline constexpr int32_t ROPE_CONTROLLER_1 = 1134;
inline constexpr int32_t ROPE_CONTROLLER_2 = 1135;
inline constexpr int32_t ROPE_SETTINGS_GROUP = 1136;
inline constexpr int32_t ROPE_RADIUS_SCALE = 1137;
inline constexpr int32_t ROPE_RADIUS_SCALE_GROUP = 1138;
inline constexpr int32_t ROPE_AMOUNT_DISTRIBUTION_GROUP = 1139;
inline constexpr int32_t ROPE_AMOUNT_DISTRIBUTION = 1140;
inline constexpr int32_t ROPE_PIECE_INSTANCE = 1141;

// Groups and tabs of the description resource.
inline constexpr int32_t ROPE_TAB_GROUP = 1101;
inline constexpr int32_t SETTINGS_RETARGET_TAB_GROUP = 1200;
inline constexpr int32_t SETTINGS_BODY_GROUP = 1201;
inline constexpr int32_t SETTINGS_ARMS_GROUP = 1202;
inline constexpr int32_t SETTINGS_LEGS_GROUP = 1203;
inline constexpr int32_t SETTINGS_CREATE_TAB_GROUP = 1204;
inline constexpr int32_t SETTINGS_CONTROL_TAB_GROUP = 1205;
inline constexpr int32_t SETTINGS_CONTROL_GROUP = 1206;
inline constexpr int32_t ADVANCED_TAB_GROUP = 1207;
inline constexpr int32_t ADDITIONAL_SETTINGS_CONTROL_GROUP = 1208;
inline constexpr int32_t ABOUT_TAB_GROUP = 1209;

} // namespace flumpet
