class A extends B { m() { return super; } }
