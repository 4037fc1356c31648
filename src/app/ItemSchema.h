#pragma once

#include <array>

namespace app {

// The item record: 22 fields, numbered 1 to 22 everywhere ("field n" is ItemFields[n - 1]).
enum class FieldKind { Text, Integer, Float, Date };

struct ItemField {
    const char* tableName;   // the dBase field name and the settings key
    const char* displayName; // default name under which the user sees the field
    FieldKind kind;
    int width; // size in the table for text fields; the nominal width of the others
};

inline constexpr int ItemFieldCount = 22;

inline constexpr std::array<ItemField, ItemFieldCount> ItemFields = {{
    {"Item", "Item", FieldKind::Text, 40},
    {"Brand", "Brand", FieldKind::Text, 20},
    {"Model", "Model", FieldKind::Text, 20},
    {"Serial", "Serial Number", FieldKind::Text, 20},
    {"Location", "Location", FieldKind::Text, 30},
    {"Descriptio", "Description", FieldKind::Text, 110},
    {"BoughtFrom", "Purchased From", FieldKind::Text, 40},
    {"IDMarks", "ID Marks", FieldKind::Text, 60},
    {"Quantity", "Quantity", FieldKind::Integer, 4},
    {"PurchDate", "Purchase Date", FieldKind::Date, 8},
    {"Cost", "Cost", FieldKind::Float, 12},
    {"Category", "Category", FieldKind::Text, 20},
    {"RepCost", "Replacement Cost", FieldKind::Float, 12},
    {"Warranty", "Warranty", FieldKind::Text, 3},
    {"WarDate", "Warranty Date", FieldKind::Date, 8},
    {"WarNotes", "Warranty Notes", FieldKind::Text, 30},
    {"Owner", "Owner", FieldKind::Text, 30},
    {"Value", "Value", FieldKind::Float, 12},
    {"UserDef1", "User Defined 1", FieldKind::Text, 40},
    {"UserDef2", "User Defined 2", FieldKind::Text, 40},
    {"UserDef3", "User Defined 3", FieldKind::Text, 40},
    {"UserDef4", "User Defined 4", FieldKind::Text, 40},
}};

// Field numbers the program names directly.
inline constexpr int FieldQuantity = 9;
inline constexpr int FieldPurchDate = 10;
inline constexpr int FieldCost = 11;
inline constexpr int FieldCategory = 12;
inline constexpr int FieldRepCost = 13;
inline constexpr int FieldWarranty = 14;
inline constexpr int FieldWarDate = 15;
inline constexpr int FieldValue = 18;

} // namespace app
