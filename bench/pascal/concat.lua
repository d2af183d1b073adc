local parts = {}
for i = 1, 200000 do parts[#parts + 1] = "x" end
local s = table.concat(parts)
print(#s)
