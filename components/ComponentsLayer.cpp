// Placeholder translation unit until the layer has its first unit.
