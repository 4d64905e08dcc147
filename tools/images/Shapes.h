// Anti-aliased shapes accumulated into a coverage mask (the union is the maximum of coverages).
#pragma once

#include "Canvas.h"

#include <vector>

struct Point {
    float x = 0.0f, y = 0.0f;
};

Point lerp(Point a, Point b, float t);
// Points of a quadratic Bezier from a through control c to b, ends included.
std::vector<Point> quadraticCurve(Point a, Point c, Point b, int segments);

void fillPolygon(Mask& mask, const std::vector<Point>& points);
void fillRect(Mask& mask, float x0, float y0, float x1, float y1);
void fillCircle(Mask& mask, Point centre, float radius);
void fillEllipse(Mask& mask, Point centre, float rx, float ry, float angleRadians);
// A segment with round ends whose radius goes from ra at a to rb at b.
void fillTaperedSegment(Mask& mask, Point a, Point b, float ra, float rb);
void strokePolyline(Mask& mask, const std::vector<Point>& points, float startWidth, float endWidth);
