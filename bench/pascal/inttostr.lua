local n = 0
for i = 1, 100000 do local s = tostring(i) n = n + #s end
print(n)
