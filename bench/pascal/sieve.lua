local n = 2000000
local flags = {}
local count = 0
for i = 2, n do
  if not flags[i] then
    count = count + 1
    for j = i + i, n, i do flags[j] = true end
  end
end
print(count)
